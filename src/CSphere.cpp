#include "CSphere.h"

#include <GL/freeglut.h>

Sphere::Sphere() : center{0.0f, 0.0f, 0.0f} {}

void Sphere::draw(float red, float green, float blue) {
    glColor3f(red, green, blue);
    glPushMatrix();
    ctm_multiply();
    glutSolidSphere(0.3, 25, 25);
    glPopMatrix();
    glFlush();
}

#include "CSphere.h"

#include <GL/freeglut.h>

namespace {

// GLUT builds the ball's vertices and normals anew on every call, and hands
// them over strip by strip; built once into a display list, a ball is one call.
GLuint ballList = 0;

} // namespace

Sphere::Sphere() : center{0.0f, 0.0f, 0.0f} {}

void Sphere::draw(float red, float green, float blue) {
    if (ballList == 0) {
        ballList = glGenLists(1);
        glNewList(ballList, GL_COMPILE);
        glutSolidSphere(0.3, 25, 25);
        glEndList();
    }
    glColor3f(red, green, blue);
    glPushMatrix();
    ctm_multiply();
    glCallList(ballList);
    glPopMatrix();
    glFlush();
}

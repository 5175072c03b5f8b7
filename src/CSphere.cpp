#include "CSphere.h"

#include <GL/freeglut.h>

namespace {

// GLUT builds the ball's vertices and normals anew on every call, and hands
// them over strip by strip; built once into a display list, a ball is one call.
GLuint ballList = 0;

GLuint ball() {
    if (ballList == 0) {
        ballList = glGenLists(1);
        glNewList(ballList, GL_COMPILE);
        glutSolidSphere(0.3, 25, 25);
        glEndList();
    }
    return ballList;
}

} // namespace

Sphere::Sphere() : center{0.0f, 0.0f, 0.0f} {}

void Sphere::draw(float red, float green, float blue) {
    GLuint list = ball();
    glColor3f(red, green, blue);
    glPushMatrix();
    ctm_multiply();
    glCallList(list);
    glPopMatrix();
    glFlush();
}

void Sphere::draw_band() {
    // The ball a hair larger, in black, between two planes a third of its
    // height apart; balls never turn, so the band lies level in every view.
    static const GLdouble below[4] = {0, 1, 0, 0.1}, above[4] = {0, -1, 0, 0.1};
    GLuint list = ball();
    glColor3f(0.0f, 0.0f, 0.0f);
    glPushMatrix();
    ctm_multiply();
    glClipPlane(GL_CLIP_PLANE0, below);
    glClipPlane(GL_CLIP_PLANE1, above);
    glEnable(GL_CLIP_PLANE0);
    glEnable(GL_CLIP_PLANE1);
    glScalef(1.01f, 1.01f, 1.01f);
    glCallList(list);
    glDisable(GL_CLIP_PLANE0);
    glDisable(GL_CLIP_PLANE1);
    glPopMatrix();
}

#include "startup.h"

#include "frame.h"
#include "game.h"
#include "menus.h"
#include "swapcontrol.h"

#include <GL/freeglut.h>

namespace {

// Light and material, set once at start
const GLfloat light_ambient[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat light_diffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat light_specular[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat light_position[] = {2.0f, 5.0f, 5.0f, 0.0f};
const GLfloat mat_ambient[] = {0.7f, 0.7f, 0.7f, 1.0f};
const GLfloat mat_diffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat mat_specular[] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat high_shininess[] = {100.0f};

} // namespace

void init() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    // Both stacks start as the identity of a new context; the aspect is 1
    // because the board viewport is square.
    glMatrixMode(GL_PROJECTION);
    gluPerspective(vangle, 1.0, dnear, dfar);
    glMatrixMode(GL_MODELVIEW);
    gluLookAt(xeye, yeye, zeye, xref, yref, zref, Vx, Vy, Vz);
    glEnable(GL_DEPTH_TEST);
}

void reshape(int width, int height) {
    winWidth = width;
    winHeight = height;
}

void createGameWindow() {
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(300, 0);
    glutInitWindowSize(winWidth, winHeight);
    glutCreateWindow("Kaveto by Lorvane & Tessmer");
    requestSwapInterval();
    init();
    menu();
    glutDisplayFunc(display);
    glutMotionFunc(mouseMotion);
    glutKeyboardFunc(keyAction);
    glutMouseFunc(mouseAction);
    glutReshapeFunc(reshape);
    glutAttachMenu(GLUT_RIGHT_BUTTON);
    glEnable(GL_LIGHT0);
    glEnable(GL_NORMALIZE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    // Given under the camera, so the light's direction is fixed in the world.
    glLightfv(GL_LIGHT0, GL_AMBIENT, light_ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, light_diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, light_specular);
    glLightfv(GL_LIGHT0, GL_POSITION, light_position);
    glMaterialfv(GL_FRONT, GL_AMBIENT, mat_ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, mat_diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, mat_specular);
    glMaterialfv(GL_FRONT, GL_SHININESS, high_shininess);
}

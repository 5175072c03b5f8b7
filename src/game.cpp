#include "game.h"

#include "frame.h"

#include <GL/freeglut.h>

// Board and turn
int spots[9][3][2];
int col1, col2, col3, col4, col5, col6, col7, col8, col9;
int turn = 0;
int gamecount = 0;
int spotSelected = 0;
int colSelected = 0;
World myWorld;

// Status strip
int instructions = 0;
void* font = GLUT_BITMAP_TIMES_ROMAN_24;

// Colours
float r = 1.0f, g = 1.0f, b = 1.0f;
float r1 = 1.0f, g1 = 0.0f, b1 = 0.0f;
float r2 = 0.0f, g2 = 1.0f, b2 = 0.0f;

// Camera and window
float xeye = 3.0f, yeye = 3.0f, zeye = 7.0f;
float xref = 0.0f, yref = 0.0f, zref = 0.0f;
float Vx = 0.0f, Vy = 1.0f, Vz = 0.0f;
float vangle = 40.0f;
float dnear = 1.0f, dfar = 10.0f;
int winWidth = 800, winHeight = 800;

// Light and material, set once at start
static const GLfloat light_ambient[] = {1.0f, 1.0f, 1.0f, 1.0f};
static const GLfloat light_diffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
static const GLfloat light_specular[] = {1.0f, 1.0f, 1.0f, 1.0f};
static const GLfloat light_position[] = {2.0f, 5.0f, 5.0f, 0.0f};
static const GLfloat mat_ambient[] = {0.7f, 0.7f, 0.7f, 1.0f};
static const GLfloat mat_diffuse[] = {1.0f, 1.0f, 1.0f, 1.0f};
static const GLfloat mat_specular[] = {1.0f, 1.0f, 1.0f, 1.0f};
static const GLfloat high_shininess[] = {100.0f};

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

void createGameWindow() {
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowPosition(300, 0);
    glutInitWindowSize(winWidth, winHeight);
    glutCreateWindow("Kaveto by Lorvane & Tessmer");
    init();
    glutDisplayFunc(display);
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

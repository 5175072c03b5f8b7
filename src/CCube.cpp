#include "CCube.h"

#include <GL/gl.h>

namespace {

const float cornerTable[8][3] = {{-1, -1, -1}, {-1, 1, -1}, {1, -1, -1}, {1, 1, -1},
                                 {-1, -1, 1},  {-1, 1, 1},  {1, -1, 1},  {1, 1, 1}};

// Faces z = -1, x = +1, z = +1, x = -1, y = +1, y = -1, corners in drawing order.
const int faceTable[6][4] = {{0, 1, 3, 2}, {3, 7, 6, 2}, {7, 5, 4, 6},
                             {4, 5, 1, 0}, {5, 7, 3, 1}, {6, 4, 0, 2}};

} // namespace

Cube::Cube() {
    for (int v = 0; v < 8; v++)
        for (int i = 0; i < 3; i++)
            vertices[v][i] = cornerTable[v][i];
    for (int f = 0; f < 6; f++) {
        for (int i = 0; i < 4; i++)
            faces[f][i] = faceTable[f][i];
        face_flags[f] = 1;
    }
}

void Cube::draw(float red, float green, float blue) {
    glPushMatrix();
    ctm_multiply();
    glScalef(0.3f, 0.3f, 0.3f);
    for (int face = 0; face < 6; face++)
        draw_face(face, red, green, blue);
    glPopMatrix();
}

void Cube::draw_face(int face, float red, float green, float blue) {
    // No normal is given: the lines are lit with whatever normal is current.
    glColor3f(red, green, blue);
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < 4; i++)
        glVertex3fv(vertices[faces[face][i]]);
    glEnd();
}

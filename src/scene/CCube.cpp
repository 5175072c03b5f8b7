#include "CCube.h"

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

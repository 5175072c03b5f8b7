#ifndef KAVETO_CCUBE_H
#define KAVETO_CCUBE_H

#include "CShape.h"

// The wire cube that outlines one cell: edge 0.6 about the piece's centre.
class Cube final : public Shape {
  public:
    float vertices[8][3];
    int faces[6][4];
    int face_flags[6];

    Cube();
    // Draws the twelve edges in that colour, face by face.
    void draw(float red, float green, float blue) override;
    // Draws the outline of one face; called by draw.
    void draw_face(int face, float red, float green, float blue);
};

#endif

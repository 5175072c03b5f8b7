#ifndef KAVETO_CSPHERE_H
#define KAVETO_CSPHERE_H

#include "CShape.h"

// A player's ball: a solid sphere of radius 0.3 about the piece's centre.
class Sphere final : public Shape {
  public:
    float center[3];

    Sphere();
    // Draws the ball in that colour and flushes.
    void draw(float red, float green, float blue) override;
    // Draws a dark band about the ball's equator, over a ball drawn there:
    // the mark that tells player 1's balls from player 2's without colour.
    void draw_band();
};

#endif

#ifndef KAVETO_CWORLD_H
#define KAVETO_CWORLD_H

#include "CCube.h"
#include "CSphere.h"

// The board scene: a ball and a wire cube per cell, both by cell index
// k = 9 * level + 3 * row + x-position, at home (k%3 - 1, k/9 - 1, (k/3)%3 - 1).
class World {
  public:
    Sphere* spheres[27];
    Cube* cubes[27];

    // Builds the 54 pieces at their home positions.
    World();
    // Draws the balls that spots marks, in their owner's colour (player 1's
    // banded when marks is 1), then every cube but the cube of index apart in
    // its level colour; called once a whole frame.
    void draw_world(int (*spots)[3][2], float r1, float g1, float b1, float r2, float g2, float b2,
                    int apart = -1, int marks = 0);
    // Draws cube k in its level colour; for the cube that draw_world left apart.
    void draw_cube(int k);
};

// Where cell index k stands while the board is unturned.
void homePosition(int k, double& x, double& y, double& z);

#endif

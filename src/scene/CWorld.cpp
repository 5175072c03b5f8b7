#include "CWorld.h"

void homePosition(int k, double& x, double& y, double& z) {
    x = k % 3 - 1.0;
    y = k / 9 - 1.0;
    z = (k / 3) % 3 - 1.0;
}

World::World() {
    for (int k = 0; k < 27; k++)
        spheres[k] = new Sphere;
    for (int k = 0; k < 27; k++)
        cubes[k] = new Cube;
    double x, y, z;
    for (int k = 0; k < 27; k++) {
        homePosition(k, x, y, z);
        cubes[k]->translate(x, y, z);
    }
    for (int k = 0; k < 27; k++) {
        homePosition(k, x, y, z);
        spheres[k]->translate(x, y, z);
    }
}

void World::draw_world(int (*spots)[3][2], float r1, float g1, float b1, float r2, float g2,
                       float b2, int apart, int marks) {
    for (int k = 0; k < 27; k++)
        if (spots[k % 9][k / 9][0] == 1) {
            spheres[k]->draw(r1, g1, b1);
            if (marks == 1)
                spheres[k]->draw_band();
        }
    for (int k = 0; k < 27; k++)
        if (spots[k % 9][k / 9][1] == 1)
            spheres[k]->draw(r2, g2, b2);
    for (int k = 0; k < 27; k++)
        if (k != apart)
            draw_cube(k);
}

void World::draw_cube(int k) {
    // The level picks the channel and the row its intensity.
    static const float intensity[3] = {0.33f, 0.66f, 1.0f};
    float colour[3] = {0.0f, 0.0f, 0.0f};
    colour[k / 9] = intensity[(k / 3) % 3];
    cubes[k]->draw(colour[0], colour[1], colour[2]);
}

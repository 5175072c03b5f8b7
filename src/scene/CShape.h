#ifndef KAVETO_CSHAPE_H
#define KAVETO_CSHAPE_H

#include "CMatrix.h"

// A board piece: its own transform from piece to world coordinates, whose
// column 3 is the piece's centre. Pieces are deleted through their own type
// only, so no virtual destructor.
class Shape {
  public:
    Matrix ctm;
    double scale;

    Shape();
    // Draws the piece at ctm in that colour; called once a frame per piece shown.
    virtual void draw(float red, float green, float blue) = 0;

    // Moves the piece by (dx, dy, dz); used to put a new piece in its cell.
    void translate(double dx, double dy, double dz);
    // Turns orientation and position about an axis through the world origin.
    void rotate(double x, double y, double z, double angle);
    // Same as rotate; no caller.
    void rotate_mc(double x, double y, double z, double angle);
    // Turns the position alone about an axis through the world origin.
    void rotate_origin(double x, double y, double z, double angle);
    // Multiplies the current OpenGL matrix by ctm; called inside draw.
    void ctm_multiply();
    // Adds d to scale, which nothing reads; no caller.
    void scale_change(double d);
    // Stores the position; no caller.
    void getRef(double& x, double& y, double& z);
    // Applies the 3 x 3 block of ctm to n; no caller.
    void transformNorm(float nx, float ny, float nz, float& ox, float& oy, float& oz);

  protected:
    // Pieces are made only as a Cube or a Sphere.
    ~Shape() = default;
};

#endif

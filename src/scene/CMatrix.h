#ifndef KAVETO_CMATRIX_H
#define KAVETO_CMATRIX_H

// A 4 x 4 homogeneous transform, row-major, acting on column vectors; the
// translation is column 3 and the bottom row stays (0, 0, 0, 1).
class Matrix {
  public:
    double m[4][4];

    // Starts as the identity.
    Matrix();
    // this := a x this; a may be this matrix itself.
    void matrix_pre_multiply(Matrix* a);
    // Adds (dx, dy, dz) to the translation column.
    void translate(double dx, double dy, double dz);
    // this := R x this, R turning clockwise about (x, y, z) as seen from the
    // axis tip; angle in degrees, the axis is taken as given.
    void rotate(double x, double y, double z, double angle);
    // v := this x v, in place.
    void multiply_vector(double* v);
    // v := this x v, summed in double and stored back as float.
    void multiply_vector(float* v);
    // Swaps m[r][c] and m[c][r].
    void transpose();
    // Kept for the interface: a transform here needs no normalising.
    void normalize();
};

#endif

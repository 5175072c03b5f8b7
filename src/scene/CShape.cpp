#include "CShape.h"

Shape::Shape() : scale(1.0) {}

void Shape::translate(double dx, double dy, double dz) { ctm.translate(dx, dy, dz); }

void Shape::rotate(double x, double y, double z, double angle) { ctm.rotate(x, y, z, angle); }

void Shape::rotate_mc(double x, double y, double z, double angle) { ctm.rotate(x, y, z, angle); }

void Shape::rotate_origin(double x, double y, double z, double angle) {
    Matrix R;
    R.rotate(x, y, z, angle);
    double v[4] = {ctm.m[0][3], ctm.m[1][3], ctm.m[2][3], ctm.m[3][3]};
    R.multiply_vector(v);
    for (int r = 0; r < 4; r++)
        ctm.m[r][3] = v[r];
}

void Shape::scale_change(double d) { scale += d; }

void Shape::getRef(double& x, double& y, double& z) {
    x = ctm.m[0][3];
    y = ctm.m[1][3];
    z = ctm.m[2][3];
}

void Shape::transformNorm(float nx, float ny, float nz, float& ox, float& oy, float& oz) {
    ox = static_cast<float>(nx * ctm.m[0][0] + ny * ctm.m[0][1] + nz * ctm.m[0][2]);
    oy = static_cast<float>(nx * ctm.m[1][0] + ny * ctm.m[1][1] + nz * ctm.m[1][2]);
    oz = static_cast<float>(nx * ctm.m[2][0] + ny * ctm.m[2][1] + nz * ctm.m[2][2]);
}

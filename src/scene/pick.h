#ifndef KAVETO_PICK_H
#define KAVETO_PICK_H

// Which cell a window point shows, apart from any toolkit: the mouse's rule.

// A perspective camera: the eye, the point it looks at, the up direction and
// the vertical field of view in degrees, at an aspect of 1.
struct Camera {
    double eye[3], centre[3], up[3], fovy;
};

// The cell index (0 to 26) of the first cell that the ray from the eye
// through the window point (x, y) meets, or -1 when it meets none; (x, y) in
// window pixels from the bottom left, viewport the board's (x, y, width,
// height), each cell the unit box about its centre as the pieces stand now.
int cellAt(double x, double y, const double centres[27][3], const Camera& camera,
           const int viewport[4]);

#endif

#include "pick.h"

#include <cmath>

namespace {

void normalise(double v[3]) {
    double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    for (int i = 0; i < 3; i++)
        v[i] /= length;
}

void cross(const double a[3], const double b[3], double out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

// Where the ray origin + t * direction enters the box of half-side 0.5 about
// centre, or a negative number when it misses it (slabs, one axis at a time).
double entry(const double origin[3], const double direction[3], const double centre[3]) {
    double enter = 0, leave = 1e300;
    for (int a = 0; a < 3; a++) {
        double low = centre[a] - 0.5 - origin[a], high = centre[a] + 0.5 - origin[a];
        if (direction[a] == 0) {
            if (low > 0 || high < 0)
                return -1;
            continue;
        }
        double t0 = low / direction[a], t1 = high / direction[a];
        if (t0 > t1) {
            double t = t0;
            t0 = t1;
            t1 = t;
        }
        enter = t0 > enter ? t0 : enter;
        leave = t1 < leave ? t1 : leave;
    }
    return enter <= leave ? enter : -1;
}

} // namespace

int cellAt(double x, double y, const double centres[27][3], const Camera& camera,
           const int viewport[4]) {
    // The camera's frame as gluLookAt builds it: f ahead, s right, u up.
    double f[3], s[3], u[3];
    for (int i = 0; i < 3; i++)
        f[i] = camera.centre[i] - camera.eye[i];
    normalise(f);
    cross(f, camera.up, s);
    normalise(s);
    cross(s, f, u);
    const double focal = std::tan(camera.fovy * 3.14159265358979323846 / 360.0);
    double right = (2 * (x - viewport[0]) / viewport[2] - 1) * focal;
    double up = (2 * (y - viewport[1]) / viewport[3] - 1) * focal;
    double direction[3];
    for (int i = 0; i < 3; i++)
        direction[i] = f[i] + right * s[i] + up * u[i];
    int nearest = -1;
    double nearestT = 1e300;
    for (int k = 0; k < 27; k++) {
        double t = entry(camera.eye, direction, centres[k]);
        if (t >= 0 && t < nearestT) {
            nearestT = t;
            nearest = k;
        }
    }
    return nearest;
}

#include "CSphere.h"

Sphere::Sphere() : center{0.0f, 0.0f, 0.0f} {}

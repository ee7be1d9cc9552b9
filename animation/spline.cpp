// The two interpolation formulas of the camera paths.
#include "animation/spline.h"

float cubicInterpolate(float p0, float p1, float p2, float p3, float u) {
    const float a0 = p3 - p2 - p0 + p1;
    const float a1 = p0 - p1 - a0;
    const float a2 = p2 - p0;
    const float a3 = p1;
    return a0 * u * u * u + a1 * u * u + a2 * u + a3;
}

float catmullRomInterpolate(float p0, float p1, float p2, float p3, float u) {
    const double tension = 0.0;
    const double s = (1.0 - tension) * 0.5;
    const float u2 = u * u;
    const float u3 = u2 * u;
    const double result =
        p0 * (-s * u3 + 2.0 * s * u2 - s * u) + p1 * ((2.0 - s) * u3 + (s - 3.0) * u2 + 1.0) +
        p2 * ((s - 2.0) * u3 + (3.0 - 2.0 * s) * u2 + s * u) + p3 * (s * u3 - s * u2);
    return static_cast<float>(result);
}

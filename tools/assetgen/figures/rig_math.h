// Double-precision vectors, rotation matrices and unit quaternions for posing the rig. All
// matrices are rotations stored as three column vectors: column 0 is the frame's local +x axis
// seen from the parent (or world) frame, and so on.
#pragma once

namespace gen {
namespace fig {

constexpr double kPi = 3.14159265358979323846;

struct V3 {
    double x = 0, y = 0, z = 0;
};

V3 operator+(V3 a, V3 b);
V3 operator-(V3 a, V3 b);
V3 operator-(V3 a);
V3 operator*(V3 a, double s);
V3 operator*(double s, V3 a);
double dot(V3 a, V3 b);
V3 cross(V3 a, V3 b);
double length(V3 a);
V3 normalize(V3 a); // (0, 0, 1) for a zero vector
V3 lerp(V3 a, V3 b, double t);

struct M3 {
    V3 c[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}; // columns: the local x, y and z axes
};

M3 operator*(const M3& a, const M3& b);
V3 operator*(const M3& m, V3 v);
M3 transpose(const M3& m);
// Right-handed rotation about `axis` (any length > 0) by `radians`.
M3 axisAngle(V3 axis, double radians);
// A frame whose +x is `x` and whose +z leans towards `front` (made perpendicular to x); +y
// completes it (y = z cross x). `front` must not be parallel to `x`.
M3 frameFrom(V3 x, V3 front);
// A frame whose +x is `x` and whose +y leans towards `y` (made perpendicular to x); +z = x
// cross y. `y` must not be parallel to `x`.
M3 frameXY(V3 x, V3 y);

// Unit quaternion (x, y, z vector part, w scalar part), rotating by v' = q v q*.
struct Quat {
    double x = 0, y = 0, z = 0, w = 1;
};

Quat quatFromMatrix(const M3& m);
M3 matrixFromQuat(Quat q);
Quat operator*(Quat a, Quat b); // Hamilton product: a applied after b
Quat conjugate(Quat q);
double dot(Quat a, Quat b);

// Smooth steps on [0, 1] (clamped): 0 at 0, 1 at 1, flat at both ends.
double smooth01(double t);
// Wraps x into [0, period).
double wrap(double x, double period);

} // namespace fig
} // namespace gen

// Vector, rotation and quaternion arithmetic for the rig.
#include "figures/rig_math.h"

#include <cmath>

namespace gen {
namespace fig {

V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V3 operator-(V3 a) {
    return {-a.x, -a.y, -a.z};
}
V3 operator*(V3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
V3 operator*(double s, V3 a) {
    return a * s;
}
double dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(V3 a) {
    return std::sqrt(dot(a, a));
}
V3 normalize(V3 a) {
    const double len = length(a);
    return len > 0 ? a * (1.0 / len) : V3{0, 0, 1};
}
V3 lerp(V3 a, V3 b, double t) {
    return a + (b - a) * t;
}

M3 operator*(const M3& a, const M3& b) {
    M3 out;
    for (int i = 0; i < 3; ++i)
        out.c[i] = a * b.c[i];
    return out;
}

V3 operator*(const M3& m, V3 v) {
    return m.c[0] * v.x + m.c[1] * v.y + m.c[2] * v.z;
}

M3 transpose(const M3& m) {
    M3 out;
    out.c[0] = {m.c[0].x, m.c[1].x, m.c[2].x};
    out.c[1] = {m.c[0].y, m.c[1].y, m.c[2].y};
    out.c[2] = {m.c[0].z, m.c[1].z, m.c[2].z};
    return out;
}

M3 axisAngle(V3 axis, double radians) {
    const V3 n = normalize(axis);
    const double c = std::cos(radians), s = std::sin(radians);
    // Rodrigues: each basis vector e goes to e cos + (n x e) sin + n (n . e)(1 - cos).
    M3 out;
    const V3 basis[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int i = 0; i < 3; ++i) {
        const V3 e = basis[i];
        out.c[i] = e * c + cross(n, e) * s + n * (dot(n, e) * (1 - c));
    }
    return out;
}

M3 frameFrom(V3 x, V3 front) {
    M3 out;
    out.c[0] = normalize(x);
    out.c[2] = normalize(front - out.c[0] * dot(front, out.c[0]));
    out.c[1] = cross(out.c[2], out.c[0]);
    return out;
}

M3 frameXY(V3 x, V3 y) {
    M3 out;
    out.c[0] = normalize(x);
    out.c[1] = normalize(y - out.c[0] * dot(y, out.c[0]));
    out.c[2] = cross(out.c[0], out.c[1]);
    return out;
}

Quat quatFromMatrix(const M3& m) {
    // Element (row r, column c) is component r of column c.
    auto e = [&](int r, int c) {
        const V3& col = m.c[c];
        return r == 0 ? col.x : r == 1 ? col.y : col.z;
    };
    Quat q;
    const double trace = e(0, 0) + e(1, 1) + e(2, 2);
    if (trace > 0) {
        const double s = std::sqrt(trace + 1.0) * 2;
        q.w = 0.25 * s;
        q.x = (e(2, 1) - e(1, 2)) / s;
        q.y = (e(0, 2) - e(2, 0)) / s;
        q.z = (e(1, 0) - e(0, 1)) / s;
    } else if (e(0, 0) > e(1, 1) && e(0, 0) > e(2, 2)) {
        const double s = std::sqrt(1.0 + e(0, 0) - e(1, 1) - e(2, 2)) * 2;
        q.w = (e(2, 1) - e(1, 2)) / s;
        q.x = 0.25 * s;
        q.y = (e(0, 1) + e(1, 0)) / s;
        q.z = (e(0, 2) + e(2, 0)) / s;
    } else if (e(1, 1) > e(2, 2)) {
        const double s = std::sqrt(1.0 + e(1, 1) - e(0, 0) - e(2, 2)) * 2;
        q.w = (e(0, 2) - e(2, 0)) / s;
        q.x = (e(0, 1) + e(1, 0)) / s;
        q.y = 0.25 * s;
        q.z = (e(1, 2) + e(2, 1)) / s;
    } else {
        const double s = std::sqrt(1.0 + e(2, 2) - e(0, 0) - e(1, 1)) * 2;
        q.w = (e(1, 0) - e(0, 1)) / s;
        q.x = (e(0, 2) + e(2, 0)) / s;
        q.y = (e(1, 2) + e(2, 1)) / s;
        q.z = 0.25 * s;
    }
    const double n = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    return {q.x / n, q.y / n, q.z / n, q.w / n};
}

M3 matrixFromQuat(Quat q) {
    const double xx = q.x * q.x, yy = q.y * q.y, zz = q.z * q.z;
    const double xy = q.x * q.y, xz = q.x * q.z, yz = q.y * q.z;
    const double wx = q.w * q.x, wy = q.w * q.y, wz = q.w * q.z;
    M3 m;
    m.c[0] = {1 - 2 * (yy + zz), 2 * (xy + wz), 2 * (xz - wy)};
    m.c[1] = {2 * (xy - wz), 1 - 2 * (xx + zz), 2 * (yz + wx)};
    m.c[2] = {2 * (xz + wy), 2 * (yz - wx), 1 - 2 * (xx + yy)};
    return m;
}

Quat operator*(Quat a, Quat b) {
    return {a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
            a.w * b.y + a.y * b.w + a.z * b.x - a.x * b.z,
            a.w * b.z + a.z * b.w + a.x * b.y - a.y * b.x,
            a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

Quat conjugate(Quat q) {
    return {-q.x, -q.y, -q.z, q.w};
}

double dot(Quat a, Quat b) {
    return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}

double smooth01(double t) {
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return t * t * (3 - 2 * t);
}

double wrap(double x, double period) {
    const double r = std::fmod(x, period);
    return r < 0 ? r + period : r;
}

} // namespace fig
} // namespace gen

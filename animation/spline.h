// Interpolation of one coordinate between four control points, for the camera paths.
#pragma once

// Which formula CameraPath::sample uses. The mode travels as a plain int: any value other
// than these two computes nothing and leaves the sample's targets untouched.
struct SplineMode {
    static constexpr int Cubic = 0;      // cubicInterpolate
    static constexpr int CatmullRom = 1; // catmullRomInterpolate
};

// Both formulas run from p1 (u = 0) to p2 (u = 1); p0 and p3 only shape the curve between.
// u is the local parameter of the segment, 0..1.

// The simple cubic through p1 and p2: a0 u^3 + a1 u^2 + a2 u + p1 with
// a0 = p3 - p2 - p0 + p1, a1 = p0 - p1 - a0, a2 = p2 - p0 (single precision).
float cubicInterpolate(float p0, float p1, float p2, float p3, float u);

// The cardinal spline of tension 0 (Catmull-Rom, s = 0.5); u^2 and u^3 in single precision.
float catmullRomInterpolate(float p0, float p1, float p2, float p3, float u);

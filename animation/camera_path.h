// Camera paths: the knots of an ASE shape, sampled as a smooth curve by a parameter t in 0..1.
#pragma once

#include "animation/spline.h"

// Knots are in the renderer's frame (y up, world units). The file is z-up; load converts
// every knot by (x, y, z) = (file x, file z, -file y).
//
// The members start null / zero, so a path that was never loaded samples nothing. A path owns
// its four arrays and is never copied.
class CameraPath {
  public:
    float* knotX = nullptr;         // knotCount x values
    float* knotY = nullptr;         // knotCount y values (the file's z)
    float* knotZ = nullptr;         // knotCount z values (minus the file's y)
    float* segmentLength = nullptr; // knotCount - 1 distances, knot i to knot i + 1
    float totalLength = 0.0f;       // single-precision sum of segmentLength in order
    int knotCount = 0;

    CameraPath() = default;
    ~CameraPath();
    CameraPath(const CameraPath&) = delete;
    CameraPath& operator=(const CameraPath&) = delete;

    // Reads the path file (format in camera_path.cpp). A missing, unreadable or malformed
    // file prints one line naming the file and the reason on standard error and ends the
    // process with status 1. Loading again replaces the knots.
    void load(const char* path);

    // Writes the point at parameter t (0..1) to *x, *y, *z. byLength spaces the knots along
    // t by segment length, otherwise knot k sits at t = k / knotCount. mode is a SplineMode
    // value; any other mode (or a path never loaded) writes nothing.
    //
    // The curve passes knot k at the sum of the first k steps and never enters the last
    // segment: from the parameter of knot n - 2 up to t = 1 it rests on knot n - 2. t <= 0
    // gives knot 0, and so does every t on a path of one or two knots.
    void sample(float t, bool byLength, float* x, float* y, float* z, int mode) const;

  private:
    void release();
};

// How the demo walks a camera path, so the content can be laid out around it: Catmull-Rom
// through the knots, spaced evenly (knot k at k/n) or by arc length, never past knot n-2.
#pragma once

#include <vector>

#include "common/mesh.h"

namespace gen {
namespace world {

// The point of the path at parameter t (t above 1 counts as 1).
Vec3 samplePath(const std::vector<Vec3>& knots, float t, bool byLength);

// A smooth curve through timed waypoints (seconds, position), sampled at whole steps of
// `step` seconds from 0 up to `count` - 1 steps: how the knots are made from a storyboard.
struct Waypoint {
    float time;
    Vec3 at;
};
std::vector<Vec3> resample(const std::vector<Waypoint>& waypoints, float step, int count);

} // namespace world
} // namespace gen

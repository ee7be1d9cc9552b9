// The benchmark's limit program: how long this renderer takes to draw N triangles of the demo's
// kind in immediate mode, measured on the benchmark's own context, so that a frame of the demo
// can be given as a ratio to what its drawing method allows for its primitive count.
#pragma once

#include <vector>

namespace capture {

// Share of the viewport the limit's triangles cover, side by side without overlap.
constexpr double kLimitCoverage = 0.41;

// The limit's time for one triangle count.
struct LimitPoint {
    int triangles = 0;
    double medianMs = 0.0;          // clear + draw + glFinish, median of the repeats
    double fragmentsPerPixel = 0.0; // fragment shader runs over pixels (0 without the query)
};

// Draws `triangles` triangles `repeats` times (after one untimed draw when `settle`, which the
// first call should ask for: the renderer builds its code for the state then) on the current
// context at width x height. Each triangle is one GL_POLYGON of three corners with a normal and a
// texture coordinate, as models draw, lit by four positional lights with quadratic
// attenuation, in linear fog, with a 256 x 256 texture, under the demo's projection; together
// they cover kLimitCoverage of the viewport. Every GL state it sets is restored, and the
// texture deleted.
LimitPoint measureLimit(int width, int height, int triangles, int repeats, bool fragmentQuery,
                        bool settle);

} // namespace capture

// Path sampling as the demo does it, and knot making from timed waypoints.
#include "world/path_math.h"

#include <algorithm>
#include <cmath>

namespace gen {
namespace world {
namespace {

float catmullRom(float p0, float p1, float p2, float p3, float u) {
    const float u2 = u * u, u3 = u2 * u;
    return p0 * (-0.5f * u3 + u2 - 0.5f * u) + p1 * (1.5f * u3 - 2.5f * u2 + 1) +
           p2 * (-1.5f * u3 + 2 * u2 + 0.5f * u) + p3 * (0.5f * u3 - 0.5f * u2);
}

Vec3 catmullRom(Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3, float u) {
    return {catmullRom(p0.x, p1.x, p2.x, p3.x, u), catmullRom(p0.y, p1.y, p2.y, p3.y, u),
            catmullRom(p0.z, p1.z, p2.z, p3.z, u)};
}

} // namespace

Vec3 samplePath(const std::vector<Vec3>& knots, float t, bool byLength) {
    const int n = static_cast<int>(knots.size());
    if (n == 0)
        return {0, 0, 0};
    t = std::min(t, 1.0f);
    std::vector<float> seg;
    float total = 0;
    for (int i = 0; i + 1 < n; ++i) {
        seg.push_back(length(knots[i] - knots[i + 1]));
        total += seg.back();
    }
    int i = 0;
    float c = 0, d = 0;
    bool stepped = false;
    if (t > 0)
        while (i < n - 2) {
            d = c;
            c += byLength ? seg[i] / total : 1.0f / n;
            ++i;
            stepped = true;
            if (c >= t)
                break;
        }
    const float u = stepped ? std::min(1.0f, (t - d) / (c - d)) : 0.0f;
    auto k = [&](int j) { return knots[std::clamp(j, 0, n - 1)]; };
    return catmullRom(k(i - 2), k(i - 1), k(i), k(i + 1), u);
}

std::vector<Vec3> resample(const std::vector<Waypoint>& w, float step, int count) {
    std::vector<Vec3> out;
    const int n = static_cast<int>(w.size());
    for (int s = 0; s < count; ++s) {
        const float time = s * step;
        int j = 0;
        while (j + 2 < n && w[j + 1].time <= time)
            ++j;
        const float span = w[j + 1].time - w[j].time;
        const float u = std::clamp((time - w[j].time) / span, 0.0f, 1.5f);
        // Tangents scaled for uneven waypoint times (a Catmull-Rom in time).
        const Vec3 p1 = w[j].at, p2 = w[j + 1].at;
        const Vec3 m1 =
            j > 0 ? (p2 - w[j - 1].at) * (span / (w[j + 1].time - w[j - 1].time)) : (p2 - p1);
        const Vec3 m2 =
            j + 2 < n ? (w[j + 2].at - p1) * (span / (w[j + 2].time - w[j].time)) : (p2 - p1);
        const float u2 = u * u, u3 = u2 * u;
        out.push_back(p1 * (2 * u3 - 3 * u2 + 1) + m1 * (u3 - 2 * u2 + u) +
                      p2 * (-2 * u3 + 3 * u2) + m2 * (u3 - u2));
    }
    return out;
}

} // namespace world
} // namespace gen

// Shape builders.
#include "common/shapes.h"

#include <cmath>

namespace gen {
namespace {
const float kPi = 3.14159265358979f;
}

Mesh box(Vec3 lo, Vec3 hi, float uvScale) {
    Mesh m;
    const Vec3 c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z},
                       {lo.x, hi.y, lo.z}, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z},
                       {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    // Corners of each face, counter-clockwise seen from outside, starting bottom-left.
    const int faces[6][4] = {{4, 5, 6, 7}, {1, 0, 3, 2}, {5, 1, 2, 6},
                             {0, 4, 7, 3}, {7, 6, 2, 3}, {0, 1, 5, 4}};
    for (const auto& f : faces) {
        const Vec3 a = c[f[0]], b = c[f[1]], d = c[f[3]];
        float su = 1, sv = 1;
        if (uvScale > 0) {
            su = length(b - a) * uvScale;
            sv = length(d - a) * uvScale;
        }
        m.addFlatQuad(a, b, c[f[2]], d, {0, 0}, {su, 0}, {su, sv}, {0, sv});
    }
    return m;
}

Mesh cylinder(float radius, float y0, float y1, int segments, bool caps) {
    return cone(radius, radius, y0, y1, segments, caps) ;
}

Mesh cone(float baseRadius, float topRadius, float y0, float y1, int segments, bool baseCap) {
    Mesh m;
    const float h = y1 - y0;
    const float slope = (baseRadius - topRadius) / (h != 0 ? h : 1);
    const bool frustum = topRadius > 0;
    const bool cylinderCaps = baseCap && frustum && topRadius == baseRadius;
    for (int i = 0; i <= segments; ++i) {
        const float a = 2 * kPi * i / segments;
        const float cx = std::cos(a), sz = -std::sin(a);
        m.addPosition({baseRadius * cx, y0, baseRadius * sz});
        m.addPosition({topRadius * cx, y1, topRadius * sz});
        m.addNormal({cx, slope, sz});
        m.addUv({static_cast<float>(i) / segments, 0});
        m.addUv({static_cast<float>(i) / segments, 1});
    }
    for (int i = 0; i < segments; ++i) {
        const int b0 = 2 * i, t0 = 2 * i + 1, b1 = 2 * i + 2, t1 = 2 * i + 3;
        const int n0 = i, n1 = i + 1;
        m.triangles.push_back({{{b0, b0, n0}, {b1, b1, n1}, {t1, t1, n1}}});
        if (frustum)
            m.triangles.push_back({{{b0, b0, n0}, {t1, t1, n1}, {t0, t0, n0}}});
    }
    auto cap = [&](float y, float r, bool top) {
        const int n = m.addNormal({0, top ? 1.0f : -1.0f, 0});
        const int centre = m.addPosition({0, y, 0});
        const int cuv = m.addUv({0.5f, 0.5f});
        const int first = static_cast<int>(m.positions.size());
        for (int i = 0; i <= segments; ++i) {
            const float a = 2 * kPi * i / segments;
            m.addPosition({r * std::cos(a), y, -r * std::sin(a)});
            m.addUv({0.5f + 0.5f * std::cos(a), 0.5f + 0.5f * std::sin(a)});
        }
        const int firstUv = cuv + 1;
        for (int i = 0; i < segments; ++i) {
            const int a = first + i, b = first + i + 1;
            const int ua = firstUv + i, ub = firstUv + i + 1;
            if (top)
                m.triangles.push_back({{{centre, cuv, n}, {a, ua, n}, {b, ub, n}}});
            else
                m.triangles.push_back({{{centre, cuv, n}, {b, ub, n}, {a, ua, n}}});
        }
    };
    if (baseCap)
        cap(y0, baseRadius, false);
    if (cylinderCaps)
        cap(y1, topRadius, true);
    return m;
}

Mesh sphere(float radius, int rings, int segments) {
    Mesh m;
    for (int r = 0; r <= rings; ++r) {
        const float phi = kPi * r / rings; // 0 at the top
        for (int s = 0; s <= segments; ++s) {
            const float theta = 2 * kPi * s / segments;
            const Vec3 n{std::sin(phi) * std::cos(theta), std::cos(phi),
                         -std::sin(phi) * std::sin(theta)};
            m.addPosition(n * radius);
            m.addNormal(n);
            m.addUv({static_cast<float>(s) / segments, 1.0f - static_cast<float>(r) / rings});
        }
    }
    const int row = segments + 1;
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const int a = r * row + s, b = a + 1, c = a + row, d = c + 1;
            if (r != 0)
                m.triangles.push_back({{{a, a, a}, {c, c, c}, {b, b, b}}});
            if (r != rings - 1)
                m.triangles.push_back({{{b, b, b}, {c, c, c}, {d, d, d}}});
        }
    return m;
}

Mesh extrude(const std::vector<Vec2>& outline, float y0, float y1) {
    Mesh m;
    const size_t n = outline.size();
    float perimeter = 0;
    for (size_t i = 0; i < n; ++i) {
        const Vec2 a = outline[i], b = outline[(i + 1) % n];
        const Vec3 pa{a.u, y0, a.v}, pb{b.u, y0, b.v};
        const float len = length(pb - pa);
        // Outline is counter-clockwise seen from +y; walls face outwards.
        m.addFlatQuad(pa, pb, {b.u, y1, b.v}, {a.u, y1, a.v}, {perimeter, 0},
                      {perimeter + len, 0}, {perimeter + len, y1 - y0}, {perimeter, y1 - y0});
        perimeter += len;
    }
    for (size_t i = 1; i + 1 < n; ++i) {
        const Vec2 a = outline[0], b = outline[i], c = outline[i + 1];
        m.addFlatTriangle({a.u, y1, a.v}, {b.u, y1, b.v}, {c.u, y1, c.v}, {a.u, a.v}, {b.u, b.v},
                          {c.u, c.v});
        m.addFlatTriangle({a.u, y0, a.v}, {c.u, y0, c.v}, {b.u, y0, b.v}, {a.u, a.v}, {c.u, c.v},
                          {b.u, b.v});
    }
    return m;
}

} // namespace gen

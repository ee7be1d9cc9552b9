// The figure's meshes.
#include <cmath>

#include "figures/figure_models.h"

namespace gen {
namespace fig {
namespace {

constexpr float kTau = 6.28318530717958648f;

Vec3 ringPoint(const Ring& r, float angle) {
    return {r.rx * std::sin(angle), r.y, r.zc - r.rz * std::cos(angle)};
}

} // namespace

Mesh loft(const std::vector<Ring>& rings, int segments, bool flatFront) {
    Mesh m;
    const int n = static_cast<int>(rings.size());
    // With an even number of sides a half-step turn puts a face at the front; with an odd one
    // the unturned loft already has one there.
    const float offset = (segments % 2 == 0) == flatFront ? 0.5f : 0.0f;
    auto angle = [&](int s) { return kTau * (static_cast<float>(s) + offset) / segments; };
    auto isPole = [&](int r) { return rings[r].rx == 0 && rings[r].rz == 0; };
    // Positions: one per ring and segment (a pole keeps one per segment too, for its uvs).
    std::vector<std::vector<Vec3>> pos(n, std::vector<Vec3>(segments));
    for (int r = 0; r < n; ++r)
        for (int s = 0; s < segments; ++s)
            pos[r][s] = ringPoint(rings[r], angle(s));
    // Normal of band b (between rings b and b + 1) at segment s, seen from outside.
    auto bandNormal = [&](int b, int s) {
        const int s0 = (s + segments - 1) % segments, s1 = (s + 1) % segments;
        const Vec3 around = (pos[b][s1] - pos[b][s0]) + (pos[b + 1][s1] - pos[b + 1][s0]);
        const Vec3 up = pos[b + 1][s] - pos[b][s];
        Vec3 nrm = cross(up, around);
        if (length(nrm) < 1e-6f) // a pole band seen along its own axis
            nrm = Vec3{0, b == 0 ? -1.0f : 1.0f, 0};
        return normalize(nrm);
    };
    // Vertex normal of ring r towards band b (the band above when b == r, below when b == r-1).
    auto vertexNormal = [&](int r, int b, int s) {
        if (isPole(r))
            return Vec3{0, r == 0 ? -1.0f : 1.0f, 0};
        if (rings[r].crease || r == 0 || r == n - 1)
            return bandNormal(b, s);
        return normalize(bandNormal(r - 1, s) + bandNormal(r, s));
    };
    for (int b = 0; b + 1 < n; ++b) {
        // Corner indices for the band: its own copies, so creases and seams get their own
        // normals and uvs.
        int idx[2][64 + 1];
        for (int k = 0; k < 2; ++k) {
            const int r = b + k;
            for (int s = 0; s <= segments; ++s) {
                const int sw = s % segments;
                m.addPosition(pos[r][sw]);
                m.addNormal(vertexNormal(r, b, sw));
                // u follows the angle (so the front is u = 0.5); a pole's uv sits mid-segment,
                // under its triangle.
                float u = (static_cast<float>(s) + offset) / segments;
                if (isPole(r))
                    u += 0.5f / segments;
                m.addUv({u, rings[r].v});
                idx[k][s] = static_cast<int>(m.positions.size()) - 1;
            }
        }
        for (int s = 0; s < segments; ++s) {
            const int a = idx[0][s], bq = idx[0][s + 1], c = idx[1][s + 1], d = idx[1][s];
            // Angles grow from the back through the figure's left (+x) to the front, which
            // runs clockwise seen from +y: a-d-c is counter-clockwise from outside.
            if (!isPole(b))
                m.triangles.push_back({{{a, a, a}, {d, d, d}, {bq, bq, bq}}});
            if (!isPole(b + 1))
                m.triangles.push_back({{{bq, bq, bq}, {d, d, d}, {c, c, c}}});
        }
    }
    return m;
}

Mesh boneMesh() {
    // A tapered limb: a triangle at each end, the far one turned by 60 degrees, joined by six
    // faces (an antiprism), so the middle reads as a six-sided tube from every side. The demo
    // stretches the mesh along y only, so the widths below are rig units on every bone while
    // the ends scale with the bone's length: both reach a little past the joints (0 and 5), so
    // neighbouring bones overlap instead of meeting in points. Normals lean out along the axis
    // at the ends, which shade as rounded caps.
    Mesh m;
    const float y[2] = {-kBoneBackReach, 5.0f + kBoneTipReach};
    const float radius[2] = {kBoneBaseRadius, kBoneTipRadius};
    const float lean[2] = {-0.55f, 0.55f};
    int corner[2][3];
    Vec3 pos[2][3];
    for (int end = 0; end < 2; ++end)
        for (int k = 0; k < 3; ++k) {
            const float a = kTau * (static_cast<float>(k) + 0.5f * end) / 3;
            const Vec3 radial{std::sin(a), 0, -std::cos(a)};
            pos[end][k] = radial * radius[end] + Vec3{0, y[end], 0};
            corner[end][k] = m.addPosition(pos[end][k]);
            m.addNormal(normalize(radial + Vec3{0, lean[end], 0}));
            m.addUv({static_cast<float>(k) / 3, static_cast<float>(end)});
        }
    auto add = [&](int a, int b, int c) {
        m.triangles.push_back({{{a, a, a}, {b, b, b}, {c, c, c}}});
    };
    // Angles grow from the back (-z) through +x, clockwise seen from +y: the base cap, seen from
    // below, runs 0-1-2 counter-clockwise, the tip cap 2-1-0.
    add(corner[0][0], corner[0][1], corner[0][2]);
    add(corner[1][2], corner[1][1], corner[1][0]);
    for (int k = 0; k < 3; ++k) {
        const int b0 = corner[0][k], b1 = corner[0][(k + 1) % 3];
        const int t0 = corner[1][k], t1 = corner[1][(k + 1) % 3];
        add(b0, t0, b1);
        add(b1, t0, t1);
    }
    return m;
}

Mesh headMesh() {
    // Chin, cheeks, temples, the brim, the crown and its dented top. Seven sides with a face to
    // the front. Seen edge-on, the brim is a wedge that thickens towards the crown from a rim
    // 1.5 units thick: a thinner or longer one leaves its tip as a loose pixel or two on a
    // figure some 60 to 170 pixels tall.
    const std::vector<Ring> rings = {
        {-3.8f, 0, 0, 2.0f, 0.0f},
        {3.0f, 7.4f, 8.6f, 0.8f, 0.30f},
        {12.4f, 7.9f, 9.2f, 0.0f, 0.62f, true},
        {13.0f, 12.6f, 14.0f, -0.3f, 0.66f, true},
        {14.5f, 12.6f, 14.0f, -0.3f, 0.70f, true},
        {15.4f, 7.4f, 8.6f, -0.3f, 0.76f, true},
        {21.5f, 6.4f, 7.6f, -0.3f, 0.95f, true},
        {20.8f, 0, 0, -0.3f, 1.0f},
    };
    return loft(rings, 7, true);
}

Mesh bodyMesh() {
    // Hips, waist, chest, shoulders, the base of the neck.
    const std::vector<Ring> rings = {
        {-32.0f, 0, 0, 0.0f, 0.0f},        {-28.0f, 14.0f, 9.5f, 0.0f, 0.07f},
        {-8.0f, 12.5f, 9.0f, 0.0f, 0.40f}, {8.0f, 15.5f, 10.5f, 0.5f, 0.66f},
        {19.0f, 17.5f, 8.5f, 0.0f, 0.86f}, {24.0f, 6.0f, 5.0f, 0.0f, 0.96f},
        {25.0f, 0, 0, 0.0f, 1.0f},
    };
    return loft(rings, 6, false); // an edge down the middle of the front keeps the tie straight
}

} // namespace fig
} // namespace gen

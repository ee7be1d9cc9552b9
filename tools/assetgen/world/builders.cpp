// Atlas mapping, tiled quads, walls, fans and surfaces of revolution.
#include "world/builders.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

namespace gen {
namespace world {
namespace {

const float kPi = 3.14159265358979f;

// Cell boundaries along one side: multiples of `units` shifted by `phase`, clipped to
// [0, length]. A wrapping side is one cell.
std::vector<float> cuts(float length, float units, bool wraps, float phase, float maxCell) {
    std::vector<float> out{0};
    if (!wraps && units > 0) {
        const float first = units - std::fmod(std::fmod(phase, units) + units, units);
        for (float c = first; c < length - 1e-3f; c += units)
            if (c > 1e-3f)
                out.push_back(c);
    }
    out.push_back(length);
    if (maxCell <= 0)
        return out;
    std::vector<float> fine{0};
    for (size_t i = 1; i < out.size(); ++i) {
        const float span = out[i] - out[i - 1];
        const int parts = std::max(1, static_cast<int>(std::ceil(span / maxCell - 1e-4f)));
        for (int k = 1; k <= parts; ++k)
            fine.push_back(out[i - 1] + span * k / parts);
    }
    return fine;
}

// Position of world offset `a` inside its copy: the copy's own coordinate in [0, units].
float local(float a, float units, bool wraps, float cellStart) {
    if (wraps)
        return a;
    const float start = std::floor(cellStart / units + 1e-4f) * units;
    return a - start;
}

// One triangle whose winding is made to agree with `normal`.
void orientedTriangle(Mesh& mesh, Vec3 a, Vec3 b, Vec3 c, Vec2 ta, Vec2 tb, Vec2 tc, Vec3 na,
                      Vec3 nb, Vec3 nc, Vec3 facing) {
    if (dot(cross(b - a, c - a), facing) < 0) {
        std::swap(b, c);
        std::swap(tb, tc);
        std::swap(nb, nc);
    }
    Triangle t;
    t.c[0] = {mesh.addPosition(a), mesh.addUv(ta), mesh.addNormal(na)};
    t.c[1] = {mesh.addPosition(b), mesh.addUv(tb), mesh.addNormal(nb)};
    t.c[2] = {mesh.addPosition(c), mesh.addUv(tc), mesh.addNormal(nc)};
    mesh.triangles.push_back(t);
}

} // namespace

AtlasRect AtlasRect::pixels(int x0, int y0, int x1, int y1, int width, int height, float unitsU,
                            float unitsV) {
    AtlasRect r;
    r.wrapU = x0 == 0 && x1 == width;
    r.wrapV = y0 == 0 && y1 == height;
    const float inU = r.wrapU ? 0.0f : 0.5f, inV = r.wrapV ? 0.0f : 0.5f;
    r.u0 = (x0 + inU) / width;
    r.u1 = (x1 - inU) / width;
    r.v0 = 1.0f - (y1 - inV) / height; // bottom row of the rectangle
    r.v1 = 1.0f - (y0 + inV) / height;
    r.unitsU = unitsU;
    r.unitsV = unitsV;
    return r;
}

AtlasRect AtlasRect::whole(float unitsU, float unitsV) {
    AtlasRect r;
    r.unitsU = unitsU;
    r.unitsV = unitsV;
    return r;
}

Vec2 AtlasRect::at(float a, float b) const {
    return {u0 + (u1 - u0) * a / unitsU, v0 + (v1 - v0) * b / unitsV};
}

int tileCells(float length, float units, bool wraps, float phase, float maxCell) {
    return static_cast<int>(cuts(length, units, wraps, phase, maxCell).size()) - 1;
}

AtlasRect finer(AtlasRect rect, float maxCell) {
    rect.maxCell = maxCell;
    return rect;
}

void tiledQuad(Mesh& mesh, Vec3 origin, Vec3 uDir, Vec3 vDir, float width, float height,
               const AtlasRect& rect, Vec2 phase) {
    const std::vector<float> cu = cuts(width, rect.unitsU, rect.wrapU, phase.u, rect.maxCell);
    const std::vector<float> cv = cuts(height, rect.unitsV, rect.wrapV, phase.v, rect.maxCell);
    for (size_t j = 0; j + 1 < cv.size(); ++j)
        for (size_t i = 0; i + 1 < cu.size(); ++i) {
            const float a0 = cu[i], a1 = cu[i + 1], b0 = cv[j], b1 = cv[j + 1];
            const float la0 = local(a0 + phase.u, rect.unitsU, rect.wrapU, a0 + phase.u);
            const float la1 = la0 + (a1 - a0);
            const float lb0 = local(b0 + phase.v, rect.unitsV, rect.wrapV, b0 + phase.v);
            const float lb1 = lb0 + (b1 - b0);
            auto p = [&](float a, float b) { return origin + uDir * a + vDir * b; };
            mesh.addFlatQuad(p(a0, b0), p(a1, b0), p(a1, b1), p(a0, b1), rect.at(la0, lb0),
                             rect.at(la1, lb0), rect.at(la1, lb1), rect.at(la0, lb1));
        }
}

void floorRect(Mesh& mesh, float x0, float z0, float x1, float z1, float y, const AtlasRect& rect,
               bool facingUp) {
    const float xa = std::min(x0, x1), xb = std::max(x0, x1);
    const float za = std::min(z0, z1), zb = std::max(z0, z1);
    if (facingUp) // u along +x, v along -z: seen from above, x right and -z up
        tiledQuad(mesh, {xa, y, zb}, {1, 0, 0}, {0, 0, -1}, xb - xa, zb - za, rect, {xa, -zb});
    else
        tiledQuad(mesh, {xa, y, za}, {1, 0, 0}, {0, 0, 1}, xb - xa, zb - za, rect, {xa, za});
}

void wall(Mesh& mesh, Vec2 from, Vec2 to, float y0, float y1, const AtlasRect& rect, Vec2 phase) {
    const Vec3 a{from.u, y0, from.v}, b{to.u, y0, to.v};
    const float len = length(b - a);
    if (len <= 0 || y1 <= y0)
        return;
    const Vec3 dir = (b - a) * (1.0f / len);
    tiledQuad(mesh, a, dir, {0, 1, 0}, len, y1 - y0, rect, {phase.u, y0 + phase.v});
}

static void boxFaces(Mesh& mesh, Vec3 lo, Vec3 hi, const AtlasRect& rect, int skip, bool stretch) {
    struct Face {
        int bit;
        Vec3 origin, u, v;
        float w, h;
    };
    const float dx = hi.x - lo.x, dy = hi.y - lo.y, dz = hi.z - lo.z;
    const Face faces[6] = {
        {kPosZ, {lo.x, lo.y, hi.z}, {1, 0, 0}, {0, 1, 0}, dx, dy},
        {kNegZ, {hi.x, lo.y, lo.z}, {-1, 0, 0}, {0, 1, 0}, dx, dy},
        {kPosX, {hi.x, lo.y, hi.z}, {0, 0, -1}, {0, 1, 0}, dz, dy},
        {kNegX, {lo.x, lo.y, lo.z}, {0, 0, 1}, {0, 1, 0}, dz, dy},
        {kPosY, {lo.x, hi.y, hi.z}, {1, 0, 0}, {0, 0, -1}, dx, dz},
        {kNegY, {lo.x, lo.y, lo.z}, {1, 0, 0}, {0, 0, 1}, dx, dz},
    };
    for (const Face& f : faces) {
        if (skip & f.bit)
            continue;
        AtlasRect r = rect;
        if (stretch) {
            r.unitsU = f.w;
            r.unitsV = f.h;
            r.wrapU = r.wrapV = true; // one copy: nothing to split
        }
        tiledQuad(mesh, f.origin, f.u, f.v, f.w, f.h, r);
    }
}

void tiledBox(Mesh& mesh, Vec3 lo, Vec3 hi, const AtlasRect& rect, int skip) {
    boxFaces(mesh, lo, hi, rect, skip, false);
}

void stretchedBox(Mesh& mesh, Vec3 lo, Vec3 hi, const AtlasRect& rect, int skip) {
    boxFaces(mesh, lo, hi, rect, skip, true);
}

void disc(Mesh& mesh, Vec3 centre, float radius, int segments, const AtlasRect& rect, bool facingUp,
          int rings) {
    const Vec3 up{0, facingUp ? 1.0f : -1.0f, 0};
    const int n = mesh.addNormal(up);
    // Corner k of ring r (ring 0 is the centre), mapped flat: seen from above, x runs right
    // and -z up the image.
    auto corner = [&](int r, int k) {
        const float rr = radius * r / rings;
        const float a = 2 * kPi * k / segments;
        const float cx = std::cos(a), sz = -std::sin(a);
        const int p = mesh.addPosition(centre + Vec3{rr * cx, 0, rr * sz});
        const int t = mesh.addUv(rect.at(rect.unitsU * 0.5f * (1 + cx * r / rings),
                                         rect.unitsV * 0.5f * (1 - sz * r / rings)));
        return Corner{p, t, n};
    };
    auto emit = [&](Corner a, Corner b, Corner c) {
        // Angles grow counter-clockwise seen from +y (x towards -z).
        if (facingUp)
            mesh.triangles.push_back({{a, b, c}});
        else
            mesh.triangles.push_back({{a, c, b}});
    };
    std::vector<Corner> inner(segments), outer(segments);
    const Corner middle = corner(0, 0);
    for (int r = 1; r <= rings; ++r) {
        for (int k = 0; k < segments; ++k)
            outer[k] = corner(r, k);
        for (int k = 0; k < segments; ++k) {
            const int j = (k + 1) % segments;
            if (r == 1) {
                emit(middle, outer[k], outer[j]);
                continue;
            }
            emit(inner[k], outer[k], outer[j]);
            emit(inner[k], outer[j], inner[j]);
        }
        inner = outer;
    }
}

void lathe(Mesh& mesh, const std::vector<Vec2>& profile, int segments, const AtlasRect& rect) {
    float total = 0;
    std::vector<float> along{0};
    for (size_t k = 1; k < profile.size(); ++k) {
        const float dr = profile[k].u - profile[k - 1].u, dy = profile[k].v - profile[k - 1].v;
        total += std::sqrt(dr * dr + dy * dy);
        along.push_back(total);
    }
    for (size_t k = 0; k + 1 < profile.size(); ++k) {
        const Vec2 p0 = profile[k], p1 = profile[k + 1];
        const float dr = p1.u - p0.u, dy = p1.v - p0.v;
        if (dr == 0 && dy == 0)
            continue;
        const float len = std::sqrt(dr * dr + dy * dy);
        const float nr = dy / len, ny = -dr / len; // (dy, -dr): away from the axis going up
        const float v0 = rect.unitsV * along[k] / total, v1 = rect.unitsV * along[k + 1] / total;
        for (int i = 0; i < segments; ++i) {
            const float a0 = 2 * kPi * i / segments, a1 = 2 * kPi * (i + 1) / segments;
            const float u0 = rect.unitsU * i / segments, u1 = rect.unitsU * (i + 1) / segments;
            auto pos = [](Vec2 p, float a) {
                return Vec3{p.u * std::cos(a), p.v, -p.u * std::sin(a)};
            };
            auto nor = [&](float a) { return Vec3{nr * std::cos(a), ny, -nr * std::sin(a)}; };
            const Vec3 mid = nor(0.5f * (a0 + a1));
            const Vec3 q00 = pos(p0, a0), q01 = pos(p0, a1), q10 = pos(p1, a0), q11 = pos(p1, a1);
            if (p0.u > 0)
                orientedTriangle(mesh, q00, q01, q11, rect.at(u0, v0), rect.at(u1, v0),
                                 rect.at(u1, v1), nor(a0), nor(a1), nor(a1), mid);
            if (p1.u > 0)
                orientedTriangle(mesh, q00, q11, q10, rect.at(u0, v0), rect.at(u1, v1),
                                 rect.at(u0, v1), nor(a0), nor(a1), nor(a0), mid);
        }
    }
}

namespace {

// Corner positions in a grid of cells, to find those near an edge quickly.
struct PointGrid {
    float cell;
    std::map<std::pair<int, int>, std::vector<Vec3>> cells; // keyed by x and z cell

    int key(float v) const { return static_cast<int>(std::floor(v / cell)); }
    void add(Vec3 p) {
        std::vector<Vec3>& list = cells[{key(p.x), key(p.z)}];
        for (const Vec3& q : list)
            if (q.x == p.x && q.y == p.y && q.z == p.z)
                return;
        list.push_back(p);
    }
    // Points strictly inside the segment a-b (off its ends), ordered from a to b.
    std::vector<std::pair<float, Vec3>> on(Vec3 a, Vec3 b) const {
        std::vector<std::pair<float, Vec3>> out;
        const Vec3 d = b - a;
        const float len2 = dot(d, d);
        if (len2 <= 0)
            return out;
        const float len = std::sqrt(len2), eps = 1e-3f;
        for (int i = key(std::min(a.x, b.x) - eps); i <= key(std::max(a.x, b.x) + eps); ++i)
            for (int j = key(std::min(a.z, b.z) - eps); j <= key(std::max(a.z, b.z) + eps); ++j) {
                const auto it = cells.find({i, j});
                if (it == cells.end())
                    continue;
                for (const Vec3& p : it->second) {
                    const float t = dot(p - a, d) / len2;
                    if (t * len < eps || (1 - t) * len < eps)
                        continue;
                    if (length(p - (a + d * t)) < eps)
                        out.push_back({t, p});
                }
            }
        std::sort(out.begin(), out.end(),
                  [](const auto& x, const auto& y) { return x.first < y.first; });
        return out;
    }
};

Vec2 lerp(Vec2 a, Vec2 b, float t) {
    return {a.u + (b.u - a.u) * t, a.v + (b.v - a.v) * t};
}

// Splits triangle `tri` at the first point found on one of its edges and recurses into both
// halves; a finished triangle is appended to `out`.
void splitAtJunctions(Mesh& mesh, const PointGrid& grid, const Triangle& tri,
                      std::vector<Triangle>& out, int& splits, int depth) {
    for (int e = 0; e < 3 && depth < 64; ++e) {
        const Corner a = tri.c[e], b = tri.c[(e + 1) % 3], c = tri.c[(e + 2) % 3];
        const Vec3 pa = mesh.positions[a.position], pb = mesh.positions[b.position];
        const auto points = grid.on(pa, pb);
        if (points.empty())
            continue;
        const auto& [t, p] = points[points.size() / 2];
        const Vec3 n = normalize(mesh.normals[a.normal] * (1 - t) + mesh.normals[b.normal] * t);
        const Corner mid{mesh.addPosition(p), mesh.addUv(lerp(mesh.uvs[a.uv], mesh.uvs[b.uv], t)),
                         mesh.addNormal(n)};
        ++splits;
        splitAtJunctions(mesh, grid, Triangle{{a, mid, c}}, out, splits, depth + 1);
        splitAtJunctions(mesh, grid, Triangle{{mid, b, c}}, out, splits, depth + 1);
        return;
    }
    out.push_back(tri);
}

} // namespace

int removeTJunctions(Mesh& mesh) {
    PointGrid grid{16.0f, {}};
    for (const Triangle& t : mesh.triangles)
        for (const Corner& c : t.c)
            grid.add(mesh.positions[c.position]);
    std::vector<Triangle> out;
    int splits = 0;
    const std::vector<Triangle> before = mesh.triangles;
    for (const Triangle& t : before)
        splitAtJunctions(mesh, grid, t, out, splits, 0);
    mesh.triangles = out;
    return splits;
}

void leanNormals(Mesh& mesh, size_t first, Vec3 target, float amount) {
    const float maxCos = 0.2588f, maxSin = 0.9659f; // 75 degrees
    for (size_t i = first; i < mesh.triangles.size(); ++i) {
        Triangle& t = mesh.triangles[i];
        const Vec3 p0 = mesh.positions[t.c[0].position], p1 = mesh.positions[t.c[1].position],
                   p2 = mesh.positions[t.c[2].position];
        // The cone is round the face's own normal: a smooth surface's corner normals may
        // already lean away from it.
        const Vec3 face = normalize(cross(p1 - p0, p2 - p0));
        for (Corner& c : t.c) {
            const Vec3 n = normalize(mesh.normals[c.normal]);
            Vec3 toward = normalize(target - mesh.positions[c.position]);
            // A target further than 75 degrees off the face's normal is taken at the edge of
            // that cone, in the target's direction round the normal.
            const float along = dot(toward, face);
            const Vec3 side = toward - face * along;
            if (along < maxCos && length(side) > 1e-6f)
                toward = face * maxCos + normalize(side) * maxSin;
            else if (along < maxCos)
                toward = face;
            c.normal = mesh.addNormal(normalize(n * (1 - amount) + toward * amount));
        }
    }
}

} // namespace world
} // namespace gen

// Cutting the world outside the hall down to what the tour can see through the openings.
#include "world/sightlines.h"

#include <algorithm>
#include <cmath>

namespace gen {
namespace world {
namespace {

float coordinate(Vec3 p, int axis) {
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

Vec3 unitAxis(int axis) {
    return {axis == 0 ? 1.0f : 0.0f, axis == 1 ? 1.0f : 0.0f, axis == 2 ? 1.0f : 0.0f};
}

// The half-space dot(n, p) + d >= 0.
struct Plane {
    Vec3 n;
    float d;
};

float side(const Plane& h, Vec3 p) {
    return dot(h.n, p) + h.d;
}

struct Vertex {
    Vec3 p, n;
    Vec2 uv;
};
using Polygon = std::vector<Vertex>;

bool before(Vec3 a, Vec3 b) {
    return a.x != b.x ? a.x < b.x : a.y != b.y ? a.y < b.y : a.z < b.z;
}

// Where the plane crosses the edge a-b, worked out from the same end whichever way the edge
// is walked, so that the two triangles sharing it get the very same point.
Vertex crossing(const Vertex& a, float da, const Vertex& b, float db) {
    const bool swap = before(b.p, a.p);
    const Vertex& u = swap ? b : a;
    const Vertex& v = swap ? a : b;
    const float du = swap ? db : da, dv = swap ? da : db;
    const float t = du / (du - dv);
    return {u.p + (v.p - u.p) * t,
            u.n + (v.n - u.n) * t,
            {u.uv.u + (v.uv.u - u.uv.u) * t, u.uv.v + (v.uv.v - u.uv.v) * t}};
}

float area(const Polygon& poly) {
    Vec3 sum{0, 0, 0};
    for (size_t i = 1; i + 1 < poly.size(); ++i)
        sum = sum + cross(poly[i].p - poly[0].p, poly[i + 1].p - poly[0].p);
    return 0.5f * length(sum);
}

// Whether the polygon still has an area worth drawing.
bool solid(const Polygon& poly) {
    return poly.size() >= 3 && area(poly) > 1e-4f;
}

// Splits a convex polygon by the plane into the parts inside and outside, both in the
// polygon's winding; a corner on the plane goes to both.
void split(const Polygon& poly, const Plane& h, Polygon& in, Polygon& out) {
    const float eps = 1e-4f;
    in.clear();
    out.clear();
    const size_t n = poly.size();
    for (size_t i = 0; i < n; ++i) {
        const Vertex& a = poly[i];
        const Vertex& b = poly[(i + 1) % n];
        const float da = side(h, a.p), db = side(h, b.p);
        const int sa = da > eps ? 1 : da < -eps ? -1 : 0;
        const int sb = db > eps ? 1 : db < -eps ? -1 : 0;
        if (sa >= 0)
            in.push_back(a);
        if (sa <= 0)
            out.push_back(a);
        if (sa * sb < 0) {
            const Vertex c = crossing(a, da, b, db);
            in.push_back(c);
            out.push_back(c);
        }
    }
}

// The portal's corners, in order round it.
Polygon corners(const Portal& portal) {
    const int a = portal.axis == 0 ? 1 : 0, b = portal.axis == 2 ? 1 : 2;
    auto corner = [&](float u, float v) {
        float p[3];
        p[portal.axis] = portal.at;
        p[a] = u;
        p[b] = v;
        return Vertex{{p[0], p[1], p[2]}, {0, 0, 0}, {0, 0}};
    };
    return {corner(portal.lo[0], portal.lo[1]), corner(portal.hi[0], portal.lo[1]),
            corner(portal.hi[0], portal.hi[1]), corner(portal.lo[0], portal.hi[1])};
}

// Cuts `poly` down to what lies inside every half-space in `planes`; false when nothing is left.
bool clipTo(Polygon& poly, const std::vector<Plane>& planes) {
    Polygon in, out;
    for (const Plane& h : planes) {
        split(poly, h, in, out);
        poly = in;
        if (!solid(poly))
            return false;
    }
    return true;
}

// The part of the portal inside the view from `view` (its lines from the eye within the
// half-angles, in front of it) and, for an eye before the portal's entrance, inside the
// entrance's outline seen from the eye; empty when the eye does not look through it.
Polygon portalInView(const Portal& portal, const View& view, float tanHalfHeight,
                     float tanHalfWidth) {
    Polygon poly = corners(portal);
    const Vec3 forward = normalize(view.centre - view.eye);
    const Vec3 right = normalize(cross(forward, {0, 1, 0})), up = cross(right, forward);
    std::vector<Plane> planes;
    for (const Vec3& n : {forward * tanHalfHeight - up, forward * tanHalfHeight + up,
                          forward * tanHalfWidth - right, forward * tanHalfWidth + right})
        planes.push_back({n, -dot(n, view.eye)});
    const Portal* entrance = portal.entrance;
    if (entrance && (entrance->at - coordinate(view.eye, entrance->axis)) * entrance->outward > 0) {
        const Polygon rim = corners(*entrance);
        Vec3 middle{0, 0, 0};
        for (const Vertex& v : rim)
            middle = middle + v.p * 0.25f;
        for (size_t i = 0; i < rim.size(); ++i) {
            Vec3 n = cross(rim[i].p - view.eye, rim[(i + 1) % rim.size()].p - view.eye);
            if (dot(n, middle - view.eye) < 0)
                n = n * -1.0f;
            planes.push_back({n, -dot(n, view.eye)});
        }
    }
    return clipTo(poly, planes) ? poly : Polygon{};
}

// The lines of sight from the view's eye through the part of the portal it looks at, past
// the portal's plane: a pyramid with its apex at the eye; none when the eye does not look
// through it.
std::vector<Plane> sightPyramid(const Portal& portal, const View& view, float tanHalfHeight,
                                float tanHalfWidth) {
    const float depth = (portal.at - coordinate(view.eye, portal.axis)) * portal.outward;
    if (depth <= 0)
        return {};
    const Polygon seen = portalInView(portal, view, tanHalfHeight, tanHalfWidth);
    if (seen.empty())
        return {};
    const Vec3 normal = unitAxis(portal.axis) * portal.outward;
    std::vector<Plane> planes{{normal, -portal.at * portal.outward}};
    Vec3 middle{0, 0, 0};
    for (const Vertex& v : seen)
        middle = middle + v.p * (1.0f / seen.size());
    for (size_t i = 0; i < seen.size(); ++i) {
        Vec3 n = cross(seen[i].p - view.eye, seen[(i + 1) % seen.size()].p - view.eye);
        if (length(n) < 1e-6f)
            continue;
        if (dot(n, middle - view.eye) < 0)
            n = n * -1.0f;
        planes.push_back({n, -dot(n, view.eye)});
    }
    return planes;
}

// Drops positions, normals and texture coordinates no triangle uses, keeping the order of
// the rest.
void dropUnused(Mesh& mesh) {
    std::vector<int> position(mesh.positions.size(), -1), normal(mesh.normals.size(), -1),
        uv(mesh.uvs.size(), -1);
    for (const Triangle& t : mesh.triangles)
        for (const Corner& c : t.c) {
            position[c.position] = 0;
            normal[c.normal] = 0;
            uv[c.uv] = 0;
        }
    auto compact = [](auto& values, std::vector<int>& map) {
        size_t kept = 0;
        for (size_t i = 0; i < values.size(); ++i)
            if (map[i] >= 0) {
                map[i] = static_cast<int>(kept);
                values[kept++] = values[i];
            }
        values.resize(kept);
    };
    compact(mesh.positions, position);
    compact(mesh.normals, normal);
    compact(mesh.uvs, uv);
    for (Triangle& t : mesh.triangles)
        for (Corner& c : t.c) {
            c.position = position[c.position];
            c.normal = normal[c.normal];
            c.uv = uv[c.uv];
        }
}

} // namespace

size_t keepSeenThrough(Mesh& mesh, size_t first, const std::vector<Portal>& portals,
                       const std::vector<View>& views, float margin, float halfHeightDegrees,
                       float halfWidthDegrees) {
    const float tanHalfHeight = std::tan(halfHeightDegrees / 57.29578f);
    const float tanHalfWidth = std::tan(halfWidthDegrees / 57.29578f);
    std::vector<std::vector<Plane>> pyramids;
    for (Portal portal : portals) {
        for (int k = 0; k < 2; ++k) {
            portal.lo[k] -= margin;
            portal.hi[k] += margin;
        }
        for (const View& view : views) {
            std::vector<Plane> pyramid = sightPyramid(portal, view, tanHalfHeight, tanHalfWidth);
            if (!pyramid.empty())
                pyramids.push_back(std::move(pyramid));
        }
    }

    Mesh seen;
    Polygon in, out;
    for (size_t i = first; i < mesh.triangles.size(); ++i) {
        const Triangle& t = mesh.triangles[i];
        Polygon whole;
        for (const Corner& c : t.c)
            whole.push_back({mesh.positions[c.position], mesh.normals[c.normal], mesh.uvs[c.uv]});
        // Every corner of every part some eye sees; the triangle keeps what lies within
        // their bounds along the axes, or stays whole when that is (nearly) all of it: cuts
        // only cost.
        Vec3 lo{1e9f, 1e9f, 1e9f}, hi{-1e9f, -1e9f, -1e9f};
        bool any = false;
        for (const std::vector<Plane>& pyramid : pyramids) {
            bool apart = false;
            for (const Plane& h : pyramid)
                apart = apart || (side(h, whole[0].p) < 0 && side(h, whole[1].p) < 0 &&
                                  side(h, whole[2].p) < 0);
            if (apart)
                continue;
            Polygon part = whole;
            if (!clipTo(part, pyramid))
                continue;
            any = true;
            for (const Vertex& v : part) {
                lo = {std::min(lo.x, v.p.x), std::min(lo.y, v.p.y), std::min(lo.z, v.p.z)};
                hi = {std::max(hi.x, v.p.x), std::max(hi.y, v.p.y), std::max(hi.z, v.p.z)};
            }
        }
        if (!any)
            continue;
        Polygon kept = whole;
        if (!clipTo(kept, {{{1, 0, 0}, -lo.x},
                           {{-1, 0, 0}, hi.x},
                           {{0, 1, 0}, -lo.y},
                           {{0, -1, 0}, hi.y},
                           {{0, 0, 1}, -lo.z},
                           {{0, 0, -1}, hi.z}}))
            continue;
        if (area(kept) > area(whole) * (1 - 1e-3f))
            kept = whole;
        // A fan round its first corner.
        std::vector<Corner> corners;
        for (const Vertex& v : kept)
            corners.push_back({seen.addPosition(v.p), seen.addUv(v.uv), seen.addNormal(v.n)});
        for (size_t k = 1; k + 1 < corners.size(); ++k)
            seen.triangles.push_back({{corners[0], corners[k], corners[k + 1]}});
    }
    mesh.triangles.resize(first);
    dropUnused(mesh);
    mesh.append(seen);
    return seen.triangles.size();
}

} // namespace world
} // namespace gen

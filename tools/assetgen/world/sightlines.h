// What the camera can see of the world outside the hall: only what lies on a line of sight
// from the tour through one of the hall's openings. The rest is cut away, since it would be
// drawn behind the walls in every frame for nothing.
#pragma once

#include <cstddef>
#include <vector>

#include "common/mesh.h"

namespace gen {
namespace world {

// A rectangular opening in an axis-aligned wall or floor: the plane where coordinate `axis`
// (0 x, 1 y, 2 z) equals `at`, its far side where (p[axis] - at) * outward > 0, and its
// extent along the other two axes in x, y, z order.
// An eye on the near side of its `entrance`, when it has one, sees it only through that.
struct Portal {
    int axis;
    float at, outward;
    float lo[2], hi[2];
    const Portal* entrance = nullptr;
};

// Where an eye stands and the point it looks at (up is +y).
struct View {
    Vec3 eye, centre;
};

// Keeps of the triangles from `first` on only what an eye of one of `views` can see through
// one of `portals`, looking from the near side of its plane through the part of it within
// the given half-angles of its view (taken wide enough for every picture's proportions and
// for the turns between the views); each portal is taken `margin` larger all round, for the
// eyes between the views. A triangle keeps what lies within the bounds along x, y and z of
// all that the eyes see of it, with the normals and texture coordinates interpolated, or
// stays whole when that is nearly all of it; one no eye sees is dropped. Cuts across
// neighbouring triangles leave T-junctions for the caller to weld. Unused positions, normals
// and texture coordinates are removed. Returns the triangles kept.
size_t keepSeenThrough(Mesh& mesh, size_t first, const std::vector<Portal>& portals,
                       const std::vector<View>& views, float margin, float halfHeightDegrees,
                       float halfWidthDegrees);

} // namespace world
} // namespace gen

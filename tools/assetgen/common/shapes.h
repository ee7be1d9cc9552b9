// Shape builders: small closed solids with normals and texture coordinates, faces
// counter-clockwise seen from outside. Counts are exact and tested.
#pragma once

#include "common/mesh.h"

namespace gen {

// Axis-aligned box from `lo` to `hi`: 6 faces, 24 positions, 12 triangles. Each face maps the
// whole texture scaled by `uvScale` texels per unit (0 means one copy per face).
Mesh box(Vec3 lo, Vec3 hi, float uvScale = 0.0f);

// Cylinder along +y from y0 to y1 around the y axis, `segments` sides (>= 3), smooth sides;
// caps add a fan at each end. Triangles: 2*segments sides + segments per cap.
Mesh cylinder(float radius, float y0, float y1, int segments, bool caps);

// Cone (or frustum when topRadius > 0) along +y: base radius at y0, top at y1.
// Triangles: 2*segments sides (segments when topRadius is 0) + segments for the base cap
// when `baseCap`.
Mesh cone(float baseRadius, float topRadius, float y0, float y1, int segments, bool baseCap);

// UV sphere around the origin: `rings` >= 2 bands, `segments` >= 3 around.
// Triangles: 2*segments*(rings-1).
Mesh sphere(float radius, int rings, int segments);

// A prism made by extruding a counter-clockwise (seen from +y) convex outline in the x-z
// plane from y0 to y1, with both caps. Triangles: 2*n sides + 2*(n-2) caps.
Mesh extrude(const std::vector<Vec2>& outline, float y0, float y1);

} // namespace gen

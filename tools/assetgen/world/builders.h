// Builders for the world's meshes beyond the common solids: texture-atlas mapping, tiled
// quads, open walls and fans, surfaces of revolution. Faces are counter-clockwise seen from
// the visible side, normals point out of it; counts are exact and tested.
#pragma once

#include <vector>

#include "common/mesh.h"

namespace gen {
namespace world {

// A rectangle of a texture image and how many world units one copy of it covers.
// Pixel rows count from the image's top; the OBJ texture coordinates it yields measure v
// from the bottom. A rectangle spanning the whole width (or height) repeats through the
// texture's wrapping, so quads need not be split along that direction; any other rectangle
// is inset by half a texel so nearest sampling never reads its neighbour.
struct AtlasRect {
    float u0 = 0, v0 = 0, u1 = 1, v1 = 1; // OBJ coordinates of the copy's corners
    float unitsU = 1, unitsV = 1;         // world units per copy
    bool wrapU = true, wrapV = true;      // spans the whole image in that direction
    // Longest cell side in world units (0: no limit). Fog and lighting are worked out at the
    // corners, so surfaces near the camera or near a point light are cut finer.
    float maxCell = 0;

    // Pixel rectangle [x0,x1) x [y0,y1) of a width x height image.
    static AtlasRect pixels(int x0, int y0, int x1, int y1, int width, int height, float unitsU,
                            float unitsV);
    // The whole image, one copy per unitsU x unitsV world units.
    static AtlasRect whole(float unitsU, float unitsV);
    // Texture coordinate of a point a, b (world units) inside one copy (0 <= a <= unitsU).
    Vec2 at(float a, float b) const;
};

// A rectangle origin + a*uDir + b*vDir, 0 <= a <= width, 0 <= b <= height, facing
// cross(uDir, vDir) (uDir and vDir unit length and perpendicular). It is split into cells
// where the atlas rectangle does not wrap, so every cell samples inside its copy. `phase`
// shifts the pattern (world units). Triangles: 2 per cell.
void tiledQuad(Mesh& mesh, Vec3 origin, Vec3 uDir, Vec3 vDir, float width, float height,
               const AtlasRect& rect, Vec2 phase = {0, 0});

// Number of cells tiledQuad makes along one side of `length` units for a copy of `units`.
int tileCells(float length, float units, bool wraps, float phase = 0, float maxCell = 0);
// The same rectangle cut into cells no longer than `maxCell` on a side.
AtlasRect finer(AtlasRect rect, float maxCell);

// A horizontal rectangle at height y from (x0, z0) to (x1, z1) facing up (or down), mapped
// in world x/z through `rect`.
void floorRect(Mesh& mesh, float x0, float z0, float x1, float z1, float y, const AtlasRect& rect,
               bool facingUp = true);

// A vertical wall along the segment from-to (x, z) between heights y0 and y1, facing
// cross(to - from, +y): to the right of the direction of travel seen from above. u runs along
// the segment, v up; phase.v is added to the height.
void wall(Mesh& mesh, Vec2 from, Vec2 to, float y0, float y1, const AtlasRect& rect,
          Vec2 phase = {0, 0});

// An axis-aligned box with every face tiled through `rect` in world units (open faces
// skipped by `skip`, a bit mask of +x, -x, +y, -y, +z, -z = 1, 2, 4, 8, 16, 32).
void tiledBox(Mesh& mesh, Vec3 lo, Vec3 hi, const AtlasRect& rect, int skip = 0);
// The same box mapping one copy of `rect` onto each face, whatever its size.
void stretchedBox(Mesh& mesh, Vec3 lo, Vec3 hi, const AtlasRect& rect, int skip = 0);

enum BoxFace { kPosX = 1, kNegX = 2, kPosY = 4, kNegY = 8, kPosZ = 16, kNegZ = 32 };

// A disc around `centre` at its height, facing up (or down), mapped as the circle inscribed
// in `rect` (one copy, no wrapping), cut into `rings` concentric bands so lights and fog
// worked out at the corners vary across it. Triangles: segments * (2 * rings - 1).
void disc(Mesh& mesh, Vec3 centre, float radius, int segments, const AtlasRect& rect,
          bool facingUp = true, int rings = 1);

// A surface of revolution about +y through the profile points (radius, y). Listed bottom
// to top the surface faces away from the axis, listed top to bottom towards it; a stretch at
// constant height faces up when the radius shrinks along the list. Smooth round, flat along
// the profile; u runs round, v along the profile, one copy of `rect`.
// Triangles: 2 * segments per profile stretch, 1 * segments where one end is on the axis.
void lathe(Mesh& mesh, const std::vector<Vec2>& profile, int segments, const AtlasRect& rect);

// Leans the normals of triangles [first, end) towards `target`: each corner's normal turns
// by `amount` (0 not at all, 1 all the way) towards the target, or towards the edge of the
// 75-degree cone round its face's normal where the target lies outside it. Faces far from a
// light, or turned from it, then catch more of it, and the winding still agrees with every
// normal. Each corner gets its own normal.
void leanNormals(Mesh& mesh, size_t first, Vec3 target, float amount);

// Splits every triangle whose edge passes through a corner of another triangle (a
// T-junction), so that neighbouring triangles share their edges' end points exactly: where
// they do not, rounding leaves single unpainted pixels along the seam. The new corners take
// the texture coordinates and normals of the edge they split. Returns the number of splits.
int removeTJunctions(Mesh& mesh);

// Appends a copy of `part` placed by `xf`.
inline void place(Mesh& mesh, const Mesh& part, const Transform& xf) {
    mesh.append(part, xf);
}

} // namespace world
} // namespace gen

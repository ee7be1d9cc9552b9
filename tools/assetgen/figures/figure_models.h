// The figure's meshes and textures: the bone every rig node is drawn with, the head with its
// hat, the torso, and their images.
//
// Model frame of head and torso: +y up the neck or spine from the joint they are attached to,
// +z towards the figure's front, +x to the figure's left (the demo draws them turned by -90
// degrees about z onto the node's frame).
#pragma once

#include <vector>

#include "common/image.h"
#include "common/mesh.h"

namespace gen {
namespace fig {

// One cross-section of a lofted solid: an ellipse at height y around (0, y, zc), or a single
// point (a pole) when both radii are 0. `v` is its texture row (0 bottom, 1 top); `crease`
// keeps the bands on either side from sharing normals.
struct Ring {
    float y, rx, rz, zc, v;
    bool crease = false;
};

// A closed solid through `rings` (bottom to top, first and last normally poles), `segments`
// (at most 64) around. Texture u follows the angle once around from the back (u = 0) through
// the figure's left (0.25) to the front (0.5), so images must wrap in u; with `flatFront` a face
// (not an edge) looks straight ahead. Triangles: segments per pole band, 2 * segments per other
// band.
Mesh loft(const std::vector<Ring>& rings, int segments, bool flatFront);

// The bone: a tapered six-sided tube from the joint (y = 0) to the child's joint (y = 5),
// reaching a little past both, 8 triangles. Radii are of the end triangles' corners, in rig
// units (the demo stretches only y); the reaches are in mesh units (stretched with the bone).
constexpr float kBoneBaseRadius = 6.0f, kBoneTipRadius = 4.9f;
constexpr float kBoneBackReach = 0.35f, kBoneTipReach = 0.3f;
Mesh boneMesh();
// Head with a brimmed hat, from the chin (y about -4) to the crown (y about 22).
Mesh headMesh();
// Torso from the hips (y about -32) to the base of the neck (y about 25).
Mesh bodyMesh();

Image whiteImage();
Image headImage();
Image bodyImage();

} // namespace fig
} // namespace gen

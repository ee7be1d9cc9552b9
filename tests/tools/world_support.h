// Shared by the world tests: the generated asset tree, meshes read back through the demo's
// own reader, and the geometry used to ask where things stand and what the camera sees.
#pragma once

#include <string>
#include <vector>

// A point or direction in the renderer frame (y up).
struct P3 {
    float x, y, z;
};
P3 operator+(P3 a, P3 b);
P3 operator-(P3 a, P3 b);
P3 operator*(P3 a, float s);
float dot(P3 a, P3 b);
P3 cross(P3 a, P3 b);
float norm(P3 a);
P3 unit(P3 a);

struct Tri {
    P3 a, b, c;
    P3 normal; // the first corner's normal as the file gives it
};

// The world generated once per test process into a scratch tree; returns its root (holding
// models/ and textures/).
const std::string& generatedAssets();
// The figures' part of the asset set, generated once into a tree of its own; empty when
// that generator fails.
const std::string& generatedFigures();

// Every triangle of an OBJ file, read through the demo's Mesh::load.
std::vector<Tri> trianglesOf(const std::string& objPath);
// The triangles of several files of the generated tree's models/ (names without ".obj").
std::vector<Tri> worldTriangles(const std::vector<std::string>& names);

// Distance from p to the nearest point of the triangle.
float distanceToTriangle(P3 p, const Tri& t);
float distanceToMesh(P3 p, const std::vector<Tri>& tris);
// Distance along the ray from `origin` in unit direction `dir` to the first triangle it
// hits (either side), or a negative number when it hits none.
float rayHit(P3 origin, P3 dir, const std::vector<Tri>& tris);

// The same, also naming the triangle hit (its index in `tris`, -1 for none).
float rayHit(P3 origin, P3 dir, const std::vector<Tri>& tris, int* which);

// Points along the bones of one figure on `motion` (a file of models/moves/), every
// `frameStep`-th frame of its loop: for each frame, `perBone` + 1 points along each drawn
// node's bone axis (from its joint along its +x, as far as its farthest child; `from` and
// `to` stretch that span, in fractions of it, to where the bone mesh really ends), in the
// figure's own frame as the demo draws it unturned and unscaled (renderer axes, feet at
// y = 0, facing +z). Empty when the figures could not be generated.
std::vector<std::vector<P3>> bonePoints(const std::string& motion, int frameStep, int perBone,
                                        float from = 0, float to = 1);

// Triangles one figure drawn on `motion` (a file of models/moves/) sends: a bone per drawn
// node, the head model on "Head", the body model on "Upper spin" when `withBody`; -1 when
// the figures could not be generated.
int figureTriangles(const std::string& motion, bool withBody);

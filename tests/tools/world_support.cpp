// The world tests' shared asset tree and geometry.
#include "world_support.h"

#include <lib3ds/file.h>
#include <lib3ds/node.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "assets/mesh.h"
#include "common/generators.h"
#include "support/paths.h"

P3 operator+(P3 a, P3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
P3 operator-(P3 a, P3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
P3 operator*(P3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
float dot(P3 a, P3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
P3 cross(P3 a, P3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float norm(P3 a) {
    return std::sqrt(dot(a, a));
}
P3 unit(P3 a) {
    return a * (1.0f / norm(a));
}

namespace {

gen::OutputDirs dirsOf(const std::string& root) {
    return {root + "/models", root + "/models/moves", root + "/textures", root + "/music"};
}

} // namespace

const std::string& generatedAssets() {
    static const std::string root = [] {
        const std::string dir = makeScratchTree("world-assets");
        if (!gen::generateWorld(dirsOf(dir)))
            std::abort(); // nothing of the world can be checked without it
        return dir;
    }();
    return root;
}

const std::string& generatedFigures() {
    static const std::string root = [] {
        const std::string dir = makeScratchTree("world-figures");
        return gen::generateFigures(dirsOf(dir)) ? dir : std::string();
    }();
    return root;
}

std::vector<Tri> trianglesOf(const std::string& objPath) {
    Mesh mesh;
    mesh.load(objPath.c_str());
    std::vector<Tri> out;
    auto vertex = [&](int i) {
        return P3{mesh.vertices[3 * i], mesh.vertices[3 * i + 1], mesh.vertices[3 * i + 2]};
    };
    for (int f = 0; f < mesh.faceCount; ++f) {
        const Face& face = mesh.faces[f];
        const int n = face.normal[0];
        out.push_back({vertex(face.vertex[0]),
                       vertex(face.vertex[1]),
                       vertex(face.vertex[2]),
                       {mesh.normals[3 * n], mesh.normals[3 * n + 1], mesh.normals[3 * n + 2]}});
    }
    return out;
}

std::vector<Tri> worldTriangles(const std::vector<std::string>& names) {
    std::vector<Tri> all;
    for (const std::string& name : names) {
        const std::vector<Tri> part = trianglesOf(generatedAssets() + "/models/" + name + ".obj");
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Closest point on a triangle (the region tests of Ericson's Real-Time Collision Detection).
float distanceToTriangle(P3 p, const Tri& t) {
    const P3 a = t.a, b = t.b, c = t.c;
    const P3 ab = b - a, ac = c - a, ap = p - a;
    const float d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0)
        return norm(p - a);
    const P3 bp = p - b;
    const float d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3)
        return norm(p - b);
    const float vc = d1 * d4 - d3 * d2;
    if (vc <= 0 && d1 >= 0 && d3 <= 0)
        return norm(p - (a + ab * (d1 / (d1 - d3))));
    const P3 cp = p - c;
    const float d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6)
        return norm(p - c);
    const float vb = d5 * d2 - d1 * d6;
    if (vb <= 0 && d2 >= 0 && d6 <= 0)
        return norm(p - (a + ac * (d2 / (d2 - d6))));
    const float va = d3 * d6 - d5 * d4;
    if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0)
        return norm(p - (b + (c - b) * ((d4 - d3) / ((d4 - d3) + (d5 - d6)))));
    const float denom = 1.0f / (va + vb + vc);
    return norm(p - (a + ab * (vb * denom) + ac * (vc * denom)));
}

float distanceToMesh(P3 p, const std::vector<Tri>& tris) {
    float best = 1e30f;
    for (const Tri& t : tris)
        best = std::min(best, distanceToTriangle(p, t));
    return best;
}

float rayHit(P3 origin, P3 dir, const std::vector<Tri>& tris) {
    return rayHit(origin, dir, tris, nullptr);
}

float rayHit(P3 origin, P3 dir, const std::vector<Tri>& tris, int* which) {
    float best = -1;
    if (which)
        *which = -1;
    for (size_t i = 0; i < tris.size(); ++i) {
        const Tri& t = tris[i];
        const P3 e1 = t.b - t.a, e2 = t.c - t.a;
        const P3 h = cross(dir, e2);
        const float det = dot(e1, h);
        if (std::fabs(det) < 1e-9f)
            continue;
        const float inv = 1.0f / det;
        const P3 s = origin - t.a;
        const float u = dot(s, h) * inv;
        if (u < 0 || u > 1)
            continue;
        const P3 q = cross(s, e1);
        const float v = dot(dir, q) * inv;
        if (v < 0 || u + v > 1)
            continue;
        const float d = dot(e2, q) * inv;
        if (d > 0 && (best < 0 || d < best)) {
            best = d;
            if (which)
                *which = static_cast<int>(i);
        }
    }
    return best;
}

namespace {

// Nodes named "$$$DUMMY" or starting with '-' draw nothing.
bool drawsABone(const Lib3dsNode* node) {
    return node->type == LIB3DS_OBJECT_NODE && std::string(node->name) != "$$$DUMMY" &&
           node->name[0] != '-';
}

void countDrawn(Lib3dsNode* node, int& drawn) {
    for (; node; node = node->next) {
        if (drawsABone(node))
            ++drawn;
        countDrawn(node->childs, drawn);
    }
}

// Where a node's joint is: its matrix applied to minus its pivot (the demo draws the bone
// from there), turned from the file's z-up frame to the renderer's.
P3 jointOf(const Lib3dsNode* node) {
    const float* pivot = node->data.object.pivot;
    float p[3];
    for (int i = 0; i < 3; ++i)
        p[i] = -node->matrix[0][i] * pivot[0] - node->matrix[1][i] * pivot[1] -
               node->matrix[2][i] * pivot[2] + node->matrix[3][i];
    return {p[0], p[2], -p[1]};
}

// The bone as the demo draws it: from the joint along the node's own +x axis, as long as
// the distance to its farthest child, whichever way the children lie.
void sampleBones(Lib3dsNode* node, int perBone, float from, float to, std::vector<P3>& out) {
    for (; node; node = node->next) {
        if (drawsABone(node)) {
            float length = 0;
            for (Lib3dsNode* child = node->childs; child; child = child->next) {
                const float* p = node->matrix[3];
                const float* q = child->matrix[3];
                length = std::max(length, std::sqrt((q[0] - p[0]) * (q[0] - p[0]) +
                                                    (q[1] - p[1]) * (q[1] - p[1]) +
                                                    (q[2] - p[2]) * (q[2] - p[2])));
            }
            const float* x = node->matrix[0];
            const P3 a = jointOf(node), axis = unit(P3{x[0], x[2], -x[1]});
            for (int k = 0; k <= perBone; ++k)
                out.push_back(a + axis * (length * (from + (to - from) * k / perBone)));
        }
        sampleBones(node->childs, perBone, from, to, out);
    }
}

} // namespace

std::vector<std::vector<P3>> bonePoints(const std::string& motion, int frameStep, int perBone,
                                        float from, float to) {
    std::vector<std::vector<P3>> frames;
    const std::string root = generatedFigures();
    if (root.empty())
        return frames;
    Lib3dsFile* file = lib3ds_file_load((root + "/models/moves/" + motion).c_str());
    if (!file)
        return frames;
    for (int frame = 0; frame < std::max(1, static_cast<int>(file->frames)); frame += frameStep) {
        lib3ds_file_eval(file, static_cast<float>(frame));
        frames.emplace_back();
        sampleBones(file->nodes, perBone, from, to, frames.back());
    }
    lib3ds_file_free(file);
    return frames;
}

int figureTriangles(const std::string& motion, bool withBody) {
    const std::string root = generatedFigures();
    if (root.empty())
        return -1;
    Lib3dsFile* file = lib3ds_file_load((root + "/models/moves/" + motion).c_str());
    if (!file)
        return -1;
    int drawn = 0;
    countDrawn(file->nodes, drawn);
    lib3ds_file_free(file);
    const int bone = static_cast<int>(trianglesOf(root + "/models/bone.obj").size());
    const int head = static_cast<int>(trianglesOf(root + "/models/head_hat.obj").size());
    const int body = static_cast<int>(trianglesOf(root + "/models/body.obj").size());
    return (drawn - 1 - (withBody ? 1 : 0)) * bone + head + (withBody ? body : 0);
}

// Triangle meshes for OBJ output: positions, normals and texture coordinates indexed per
// corner, exactly the OBJ subset the demo reads (f p/t/n p/t/n p/t/n, 1-based on disk).
#pragma once

#include <string>
#include <vector>

namespace gen {

struct Vec2 {
    float u, v;
};

struct Vec3 {
    float x, y, z;
};

Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(Vec3 a, float s);
float dot(Vec3 a, Vec3 b);
Vec3 cross(Vec3 a, Vec3 b);
float length(Vec3 a);
Vec3 normalize(Vec3 a);

// An affine transform: p' = m * p + t, normals by the inverse transpose (kept for rotations
// and non-uniform scales alike).
struct Transform {
    float m[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    Vec3 t{0, 0, 0};

    static Transform translate(Vec3 offset);
    static Transform scale(Vec3 factors);
    static Transform rotateX(float degrees);
    static Transform rotateY(float degrees);
    static Transform rotateZ(float degrees);
    // this applied after `inner`: (this * inner)(p) = this(inner(p)).
    Transform operator*(const Transform& inner) const;
    Vec3 point(Vec3 p) const;
    Vec3 normal(Vec3 n) const;
    // True when the transform mirrors (negative determinant): windings must flip.
    bool mirrors() const;
};

struct Corner {
    int position, uv, normal; // 0-based
};

struct Triangle {
    Corner c[3]; // counter-clockwise seen from the visible side
};

struct Mesh {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<Vec2> uvs; // v measured up from the image's bottom, as OBJ has it
    std::vector<Triangle> triangles;

    int addPosition(Vec3 p);
    int addNormal(Vec3 n);
    int addUv(Vec2 uv);
    // One triangle with its own three positions/uvs and a shared flat normal.
    void addFlatTriangle(Vec3 a, Vec3 b, Vec3 c, Vec2 ta, Vec2 tb, Vec2 tc);
    // A planar quad a-b-c-d (counter-clockwise from the visible side) as two triangles.
    void addFlatQuad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec2 ta, Vec2 tb, Vec2 tc, Vec2 td);
    // Appends `other` transformed by `xf` (windings kept facing out under mirroring).
    void append(const Mesh& other, const Transform& xf = Transform());
    // Reverses every triangle and negates every normal: outside-in (for enclosures).
    void flip();
};

// Writes `mesh` as OBJ text. Returns false when the file cannot be written.
bool writeObj(const Mesh& mesh, const std::string& path, const std::string& comment);

} // namespace gen

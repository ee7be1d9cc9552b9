// Triangle meshes and their OBJ writer.
#include "common/mesh.h"

#include <cmath>
#include <cstdio>

namespace gen {

Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float length(Vec3 a) { return std::sqrt(dot(a, a)); }
Vec3 normalize(Vec3 a) {
    const float len = length(a);
    return len > 0 ? a * (1.0f / len) : Vec3{0, 1, 0};
}

Transform Transform::translate(Vec3 offset) {
    Transform xf;
    xf.t = offset;
    return xf;
}

Transform Transform::scale(Vec3 f) {
    Transform xf;
    xf.m[0][0] = f.x;
    xf.m[1][1] = f.y;
    xf.m[2][2] = f.z;
    return xf;
}

static Transform rotation(int axis, float degrees) {
    const float r = degrees * 3.14159265358979f / 180.0f;
    const float c = std::cos(r), s = std::sin(r);
    Transform xf;
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    xf.m[a][a] = c;
    xf.m[a][b] = -s;
    xf.m[b][a] = s;
    xf.m[b][b] = c;
    return xf;
}

Transform Transform::rotateX(float degrees) { return rotation(0, degrees); }
Transform Transform::rotateY(float degrees) { return rotation(1, degrees); }
Transform Transform::rotateZ(float degrees) { return rotation(2, degrees); }

Transform Transform::operator*(const Transform& inner) const {
    Transform out;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            out.m[i][j] = m[i][0] * inner.m[0][j] + m[i][1] * inner.m[1][j] + m[i][2] * inner.m[2][j];
    out.t = point(inner.t);
    return out;
}

Vec3 Transform::point(Vec3 p) const {
    return {m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z + t.x,
            m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z + t.y,
            m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + t.z};
}

Vec3 Transform::normal(Vec3 n) const {
    // Inverse transpose through the cofactor matrix (the determinant's scale is dropped by
    // normalising; its sign is kept so normals stay on the visible side).
    float c[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
            c[i][j] = m[i1][j1] * m[i2][j2] - m[i1][j2] * m[i2][j1];
        }
    Vec3 r{c[0][0] * n.x + c[0][1] * n.y + c[0][2] * n.z,
           c[1][0] * n.x + c[1][1] * n.y + c[1][2] * n.z,
           c[2][0] * n.x + c[2][1] * n.y + c[2][2] * n.z};
    if (mirrors())
        r = r * -1.0f;
    return normalize(r);
}

bool Transform::mirrors() const {
    const float det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                      m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                      m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    return det < 0;
}

int Mesh::addPosition(Vec3 p) {
    positions.push_back(p);
    return static_cast<int>(positions.size()) - 1;
}

int Mesh::addNormal(Vec3 n) {
    normals.push_back(normalize(n));
    return static_cast<int>(normals.size()) - 1;
}

int Mesh::addUv(Vec2 uv) {
    uvs.push_back(uv);
    return static_cast<int>(uvs.size()) - 1;
}

void Mesh::addFlatTriangle(Vec3 a, Vec3 b, Vec3 c, Vec2 ta, Vec2 tb, Vec2 tc) {
    const int n = addNormal(cross(b - a, c - a));
    Triangle tri;
    tri.c[0] = {addPosition(a), addUv(ta), n};
    tri.c[1] = {addPosition(b), addUv(tb), n};
    tri.c[2] = {addPosition(c), addUv(tc), n};
    triangles.push_back(tri);
}

void Mesh::addFlatQuad(Vec3 a, Vec3 b, Vec3 c, Vec3 d, Vec2 ta, Vec2 tb, Vec2 tc, Vec2 td) {
    const int n = addNormal(cross(b - a, c - a) + cross(c - a, d - a));
    const int pa = addPosition(a), pb = addPosition(b), pc = addPosition(c), pd = addPosition(d);
    const int ua = addUv(ta), ub = addUv(tb), uc = addUv(tc), ud = addUv(td);
    triangles.push_back({{{pa, ua, n}, {pb, ub, n}, {pc, uc, n}}});
    triangles.push_back({{{pa, ua, n}, {pc, uc, n}, {pd, ud, n}}});
}

void Mesh::append(const Mesh& other, const Transform& xf) {
    const int p0 = static_cast<int>(positions.size());
    const int n0 = static_cast<int>(normals.size());
    const int u0 = static_cast<int>(uvs.size());
    for (const Vec3& p : other.positions)
        positions.push_back(xf.point(p));
    for (const Vec3& n : other.normals)
        normals.push_back(xf.normal(n));
    uvs.insert(uvs.end(), other.uvs.begin(), other.uvs.end());
    const bool mirror = xf.mirrors();
    for (const Triangle& t : other.triangles) {
        Triangle out;
        for (int k = 0; k < 3; ++k) {
            const Corner& c = t.c[mirror ? 2 - k : k];
            out.c[k] = {c.position + p0, c.uv + u0, c.normal + n0};
        }
        triangles.push_back(out);
    }
}

void Mesh::flip() {
    for (Vec3& n : normals)
        n = n * -1.0f;
    for (Triangle& t : triangles)
        std::swap(t.c[1], t.c[2]);
}

bool writeObj(const Mesh& mesh, const std::string& path, const std::string& comment) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    std::fprintf(f, "# %s\n# %zu triangles\n", comment.c_str(), mesh.triangles.size());
    for (const Vec3& p : mesh.positions)
        std::fprintf(f, "v %.4f %.4f %.4f\n", p.x, p.y, p.z);
    for (const Vec2& t : mesh.uvs)
        std::fprintf(f, "vt %.4f %.4f\n", t.u, t.v);
    for (const Vec3& n : mesh.normals)
        std::fprintf(f, "vn %.4f %.4f %.4f\n", n.x, n.y, n.z);
    for (const Triangle& t : mesh.triangles) {
        std::fprintf(f, "f");
        for (const Corner& c : t.c)
            std::fprintf(f, " %d/%d/%d", c.position + 1, c.uv + 1, c.normal + 1);
        std::fprintf(f, "\n");
    }
    const bool ok = std::ferror(f) == 0;
    return std::fclose(f) == 0 && ok;
}

} // namespace gen

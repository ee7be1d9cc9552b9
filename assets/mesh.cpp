// Mesh storage: deep copies and loading through the shared reader.
#include "assets/mesh.h"

#include <algorithm>
#include <memory>

namespace {

// A new array holding a copy of `count` elements of `from`, or null when count is 0.
template <typename T> T* copyArray(const T* from, std::size_t count) {
    if (count == 0 || !from)
        return nullptr;
    T* to = new T[count];
    std::copy(from, from + count, to);
    return to;
}

} // namespace

Mesh::~Mesh() {
    delete[] vertices;
    delete[] normals;
    delete[] texCoords;
    delete[] faces;
}

Mesh::Mesh(const Mesh& other) {
    // Built in holders first so a failed allocation leaks nothing.
    std::unique_ptr<float[]> v(copyArray(other.vertices, std::size_t(other.vertexCount) * 3));
    std::unique_ptr<float[]> n(copyArray(other.normals, std::size_t(other.normalCount) * 3));
    std::unique_ptr<float[]> t(copyArray(other.texCoords, std::size_t(other.texCoordCount) * 2));
    std::unique_ptr<Face[]> f(copyArray(other.faces, std::size_t(other.faceCount)));
    vertexCount = v ? other.vertexCount : 0;
    normalCount = n ? other.normalCount : 0;
    texCoordCount = t ? other.texCoordCount : 0;
    faceCount = f ? other.faceCount : 0;
    vertices = v.release();
    normals = n.release();
    texCoords = t.release();
    faces = f.release();
}

Mesh& Mesh::operator=(const Mesh& other) {
    if (this == &other)
        return *this;
    Mesh copy(other);
    std::swap(vertexCount, copy.vertexCount);
    std::swap(normalCount, copy.normalCount);
    std::swap(texCoordCount, copy.texCoordCount);
    std::swap(faceCount, copy.faceCount);
    std::swap(vertices, copy.vertices);
    std::swap(normals, copy.normals);
    std::swap(texCoords, copy.texCoords);
    std::swap(faces, copy.faces);
    return *this; // `copy` now holds and releases the old arrays
}

void Mesh::load(const char* path) {
    objReader.read(std::string(path));
    *this = objReader.getMesh();
}

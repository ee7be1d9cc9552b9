// Fuzz target: the OBJ reader behind Mesh::load. A file is either refused through the fatal
// seam (status 1) or yields a mesh whose every face index lies inside its array.
#include <cstddef>
#include <cstdint>

#include "assets/mesh.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::catchFatalExits();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::refuseSpecialFiles(
        [](const std::string& p) {
            Mesh m;
            m.load(p.c_str());
        },
        "the OBJ reader");
    fuzz::InputFile input(data, size);
    if (input.path().empty())
        return 0;
    Mesh mesh;
    if (!fuzz::accepted([&] { mesh.load(input.path().c_str()); }, "the OBJ reader"))
        return 0;
    if (mesh.vertexCount < 0 || mesh.normalCount < 0 || mesh.texCoordCount < 0 ||
        mesh.faceCount < 0)
        fuzz::broken("a negative count");
    // Read every corner the way Model::draw does, so the sanitizer sees each access.
    volatile float sink = 0.0f;
    for (int32_t f = 0; f < mesh.faceCount; ++f) {
        const Face& face = mesh.faces[f];
        for (int k = 0; k < 3; ++k) {
            if (face.vertex[k] < 0 || face.vertex[k] >= mesh.vertexCount || face.normal[k] < 0 ||
                face.normal[k] >= mesh.normalCount || face.texCoord[k] < 0 ||
                face.texCoord[k] >= mesh.texCoordCount)
                fuzz::broken("a face index outside its array");
            sink = sink + mesh.normals[3 * face.normal[k] + 2] +
                   mesh.texCoords[2 * face.texCoord[k] + 1] + mesh.vertices[3 * face.vertex[k] + 2];
        }
    }
    // The deep copy that Mesh::load relies on, once more.
    const Mesh copy(mesh);
    if (copy.faceCount != mesh.faceCount || copy.vertexCount != mesh.vertexCount)
        fuzz::broken("a copy with other counts");
    return 0;
}

// The world's part of the asset set: scene meshes, scene textures and the camera paths.
#include "world/world.h"

#include <cstdio>

#include "common/generators.h"
#include "world/builders.h"
#include "world/textures.h"

namespace gen {
namespace world {

namespace {

// The mesh made by `make` with its T-junctions removed: for the surfaces pieced together from
// many tiled rectangles that meet edge to edge, where the seams would otherwise show single
// pixels of the clear colour against the fog.
std::function<Mesh()> welded(Mesh (*make)()) {
    return [make] {
        Mesh m = make();
        removeTJunctions(m);
        return m;
    };
}

} // namespace

const std::vector<MeshAsset>& meshAssets() {
    static const std::vector<MeshAsset> assets = {
        {"ground.obj", welded(groundMesh)},
        {"houses.obj", housesMesh},
        {"house.obj", houseMesh},
        {"car.obj", carMesh},
        {"softbox.obj", softboxMesh},
        {"disco_room1.obj", welded(discoRoomMesh)},
        {"lamps.obj", lampsMesh},
        {"roof.obj", roofMesh},
        {"loudspeekers.obj", loudspeakersMesh},
        {"tables.obj", tablesMesh},
        {"scenes.obj", welded(scenesMesh)},
        {"floor.obj", welded(floorMesh)},
        {"rigg.obj", riggMesh},
        {"disco_lamp.obj", discoLampMesh},
        {"blend.obj", blendMesh},
        {"sofa.obj", sofaMesh},
        {"joint.obj", jointMesh},
        {"disco_house.obj", welded(discoHouseMesh)},
    };
    return assets;
}

const std::vector<TextureAsset>& textureAssets() {
    static const std::vector<TextureAsset> assets = {
        {"ground2.png", groundTexture}, {"windows.png", windowsTexture},
        {"retro.png", retroTexture},    {"cloud.png", cloudTexture},
        {"roof.png", roofTexture},      {"loudspeeker.png", loudspeakerTexture},
        {"wood.png", woodTexture},      {"metal.png", metalTexture},
        {"bricks.png", bricksTexture},  {"floor1.png", floorTexture},
        {"blend.png", beamTexture},     {"disco_front2.png", discoFrontTexture},
    };
    return assets;
}

} // namespace world

static bool writeText(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

bool generateWorld(const OutputDirs& out) {
    for (const world::TextureAsset& t : world::textureAssets()) {
        const std::string path = out.textures + "/" + t.file;
        if (!writePng(t.make(), path)) {
            std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
            return false;
        }
        progress(std::string("world texture ") + t.file);
    }
    for (const world::MeshAsset& m : world::meshAssets()) {
        const std::string path = out.models + "/" + m.file;
        const Mesh mesh = m.make();
        if (!writeObj(mesh, path, std::string(m.file) + ", made by assetgen")) {
            std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
            return false;
        }
        progress(std::string("world mesh ") + m.file + " (" +
                 std::to_string(mesh.triangles.size()) + " triangles)");
    }
    const struct {
        const char* file;
        const char* name;
        std::vector<Vec3> knots;
    } paths[] = {{"city_path2.ASE", "city_path", world::cityPathKnots()},
                 {"disco_path.ASE", "disco_path", world::discoPathKnots()}};
    for (const auto& p : paths) {
        const std::string path = out.models + "/" + p.file;
        if (!writeText(path, world::aseShape(p.name, p.knots))) {
            std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
            return false;
        }
        progress(std::string("world path ") + p.file + " (" + std::to_string(p.knots.size()) +
                 " knots)");
    }
    return true;
}

} // namespace gen

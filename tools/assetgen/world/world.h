// The world's assets, one function each: the city's and the disco's meshes, the camera
// paths, and the table of every file the world writes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/image.h"
#include "common/mesh.h"

namespace gen {
namespace world {

// City (drawn with no transform of its own; the sky dome is drawn scaled by 1.4).
Mesh groundMesh();     // ground.obj, ground2.png
Mesh housesMesh();     // houses.obj, windows.png: every building's walls
Mesh roofMesh();       // roof.obj, roof.png: flat roofs, parapets, rooftop structures
Mesh lampsMesh();      // lamps.obj, white.png: street lamps
Mesh discoHouseMesh(); // disco_house.obj, disco_front2.png
Mesh softboxMesh();    // softbox.obj, cloud.png: the sky dome, facing inwards
Mesh houseMesh();      // house.obj, retro.png: a small house (loaded, never drawn)
Mesh carMesh();        // car.obj, retro.png: a car (loaded, never drawn)

// Disco (drawn with no transform of their own, except lamp and beam, drawn at each anchor).
Mesh discoRoomMesh();    // disco_room1.obj, bricks.png: the hall, facing inwards
Mesh floorMesh();        // floor.obj, floor1.png
Mesh loudspeakersMesh(); // loudspeekers.obj, loudspeeker.png
Mesh tablesMesh();       // tables.obj, wood.png: bar, tables, the booth's desk
Mesh scenesMesh();       // scenes.obj, retro.png: stage, dais, lounge steps
Mesh riggMesh();         // rigg.obj, cloud.png: the lighting trusses
Mesh sofaMesh();         // sofa.obj, retro.png
Mesh discoLampMesh();    // disco_lamp.obj, metal.png: hangs from its anchor at the origin
Mesh blendMesh();        // blend.obj, blend.png: the beam below the lamp, apex at the origin
Mesh jointMesh();        // joint.obj, white.png: a ball joint (loaded, never drawn)

// Camera path knots in the renderer frame (y up).
// City: sampled by knot count, knot k at parameter k/n, eye at s/40 for s seconds.
std::vector<Vec3> cityPathKnots();
// Disco: sampled by arc length, eye at t/60.
std::vector<Vec3> discoPathKnots();
// ASE shape export of one open line through `knots`, in the file's z-up frame
// (file x, y, z = x, -z, y).
std::string aseShape(const std::string& name, const std::vector<Vec3>& knots);

// Every file the world writes: its name and how to make it.
struct MeshAsset {
    const char* file;
    std::function<Mesh()> make;
};
struct TextureAsset {
    const char* file;
    std::function<Image()> make;
};
const std::vector<MeshAsset>& meshAssets();
const std::vector<TextureAsset>& textureAssets();

} // namespace world
} // namespace gen

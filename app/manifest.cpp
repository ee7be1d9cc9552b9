// The asset manifest. All globals with constructors live in this one translation unit so that
// they are constructed in a defined order (models, meshes, materials, paths, lights, motions,
// music, the OBJ reader) and destroyed in the reverse order when the process exits.
#include "app/manifest.h"

#include <GL/gl.h>

#include <string>

#include "app/startup_report.h"
#include "app/warmup.h"
#include "platform/prefetch.h"

// Textures have no constructors; they start zeroed.
Texture texGround2, texWindows, texRetro, texCloud, texWhite, texRoof, texLoudspeeker, texWood,
    texMetal, texBricks, texFloor1, texBlend, texDiscoFront2, texHead, texBody;

Model mdlGround, mdlHouses, mdlHouse, mdlCar, mdlSoftbox, mdlDiscoRoom, mdlLamps, mdlRoof,
    mdlLoudspeakers, mdlTables, mdlScenes, mdlFloor, mdlRigg, mdlDiscoLamp, mdlBlend, mdlSofa,
    mdlJoint, mdlDiscoHouse, mdlHeadHat, mdlBody;

Mesh meshGround, meshHouses, meshHouse, meshCar, meshSoftbox, meshDiscoRoom, meshLamps, meshRoof,
    meshLoudspeakers, meshTables, meshScenes, meshFloor, meshRigg, meshDiscoLamp, meshBlend,
    meshSofa, meshJoint, meshDiscoHouse, meshHeadHat, meshBody;

Material matPlain, matGlow, matShiny;

CameraPath pathDisco, pathCity;

Light light1, light0;

Motion motHumanDance, motVakt, motSitting, motBarMan, motKelbro, motPist, motWalkingMan,
    motHoppande, motPist2, motJuck;

Music music;

ObjReader objReader;

namespace {

struct TextureEntry {
    Texture* texture;
    const char* path;
};

const TextureEntry kTextures[] = {
    {&texGround2, "../textures/ground2.png"},
    {&texWindows, "../textures/windows.png"},
    {&texRetro, "../textures/retro.png"},
    {&texCloud, "../textures/cloud.png"},
    {&texWhite, "../textures/white.png"},
    {&texRoof, "../textures/roof.png"},
    {&texLoudspeeker, "../textures/loudspeeker.png"},
    {&texWood, "../textures/wood.png"},
    {&texMetal, "../textures/metal.png"},
    {&texBricks, "../textures/bricks.png"},
    {&texFloor1, "../textures/floor1.png"},
    {&texBlend, "../textures/blend.png"},
    {&texDiscoFront2, "../textures/disco_front2.png"},
    {&texHead, "../textures/head.png"},
    {&texBody, "../textures/body.png"},
};

struct ModelEntry {
    Mesh* mesh;
    Model* model;
    const char* path;
    Texture* texture;
    Material* material;
};

const ModelEntry kModels[] = {
    {&meshGround, &mdlGround, "../models/ground.obj", &texGround2, &matPlain},
    {&meshHouses, &mdlHouses, "../models/houses.obj", &texWindows, &matPlain},
    {&meshHouse, &mdlHouse, "../models/house.obj", &texRetro, &matPlain},
    {&meshCar, &mdlCar, "../models/car.obj", &texRetro, &matPlain},
    {&meshSoftbox, &mdlSoftbox, "../models/softbox.obj", &texCloud, &matGlow},
    {&meshDiscoRoom, &mdlDiscoRoom, "../models/disco_room1.obj", &texBricks, &matShiny},
    {&meshLamps, &mdlLamps, "../models/lamps.obj", &texWhite, &matPlain},
    {&meshRoof, &mdlRoof, "../models/roof.obj", &texRoof, &matPlain},
    {&meshLoudspeakers, &mdlLoudspeakers, "../models/loudspeekers.obj", &texLoudspeeker,
     &matPlain},
    {&meshTables, &mdlTables, "../models/tables.obj", &texWood, &matPlain},
    {&meshScenes, &mdlScenes, "../models/scenes.obj", &texRetro, &matPlain},
    {&meshFloor, &mdlFloor, "../models/floor.obj", &texFloor1, &matPlain},
    {&meshRigg, &mdlRigg, "../models/rigg.obj", &texCloud, &matPlain},
    {&meshDiscoLamp, &mdlDiscoLamp, "../models/disco_lamp.obj", &texMetal, &matPlain},
    {&meshBlend, &mdlBlend, "../models/blend.obj", &texBlend, &matGlow},
    {&meshSofa, &mdlSofa, "../models/sofa.obj", &texRetro, &matPlain},
    {&meshJoint, &mdlJoint, "../models/joint.obj", &texWhite, &matPlain},
    {&meshDiscoHouse, &mdlDiscoHouse, "../models/disco_house.obj", &texDiscoFront2, &matPlain},
    {&meshHeadHat, &mdlHeadHat, "../models/head_hat.obj", &texHead, &matPlain},
    {&meshBody, &mdlBody, "../models/body.obj", &texBody, &matPlain},
};

struct MotionEntry {
    Motion* motion;
    const char* path;
};

const MotionEntry kMotions[] = {
    {&motHumanDance, "../models/moves/human_dance.3ds"},
    {&motVakt, "../models/moves/vakt.3ds"},
    {&motSitting, "../models/moves/sitting.3DS"},
    {&motBarMan, "../models/moves/bar_man.3DS"},
    {&motKelbro, "../models/moves/kelbro.3DS"},
    {&motPist, "../models/moves/pist.3DS"},
    {&motWalkingMan, "../models/moves/walking_man.3DS"},
    {&motHoppande, "../models/moves/hoppande.3DS"},
    {&motPist2, "../models/moves/pist2.3DS"},
    {&motJuck, "../models/moves/juck.3DS"},
};

// Grey levels of one material: ambient, diffuse, specular, emission, shininess.
void setMaterial(Material& m, float ambient, float diffuse, float specular, float emission,
                 int shininess) {
    m.setAmbient(ambient);
    m.setDiffuse(diffuse);
    m.setSpecular(specular);
    m.setEmission(emission);
    m.setShininess(shininess);
}

} // namespace

void loadMaterials() {
    setMaterial(matPlain, 0.2f, 1.0f, 0.0f, 0.0f, 0);
    setMaterial(matGlow, 0.4f, 0.4f, 0.0f, 0.7f, 0);
    setMaterial(matShiny, 0.4f, 0.7f, 0.4f, 0.0f, 0);
}

void loadTextures() {
    for (const TextureEntry& entry : kTextures)
        entry.texture->load(entry.path);
}

void setupLight0() {
    light0.enable(GL_LIGHT0);
    light0.setVector(GL_AMBIENT, 0.4f, 0.4f, 0.4f);
    light0.setVector(GL_DIFFUSE, 1.0f, 0.0f, 0.0f);
    light0.setVector(GL_SPECULAR, 0.2f, 0.0f, 0.0f);
    light0.setParameter(GL_QUADRATIC_ATTENUATION, 0.001f);
}

void loadModels() {
    for (const ModelEntry& entry : kModels)
        entry.mesh->load(entry.path);
    for (const ModelEntry& entry : kModels)
        entry.model->setMesh(entry.mesh);
    for (const ModelEntry& entry : kModels)
        entry.model->setTexture(entry.texture);
    for (const ModelEntry& entry : kModels)
        entry.model->setMaterial(entry.material);
}

void loadPaths() {
    pathCity.load("../models/city_path2.ASE");
    pathDisco.load("../models/disco_path.ASE");
}

void loadMusic() {
    music.load("../music/maxx.mp3");
    markMilestone(Milestone::musicStarting);
    music.play();
}

void loadMotions() {
    for (const MotionEntry& entry : kMotions)
        entry.motion->load(std::string(entry.path));
    // The head goes on every rig; vakt comes first, as the rigs were first set up.
    Motion* const headOrder[] = {&motVakt,   &motHumanDance, &motSitting,    &motBarMan,
                                 &motKelbro, &motPist,       &motWalkingMan, &motHoppande,
                                 &motPist2,  &motJuck};
    for (Motion* motion : headOrder)
        motion->attachModel(&mdlHeadHat, "Head");
    motVakt.attachModel(&mdlBody, "Upper spin");
    motWalkingMan.attachModel(&mdlBody, "Upper spin");
}

void prefetchAssets() {
    // In the order the loaders want them: textures, meshes, motions.
    for (const TextureEntry& entry : kTextures)
        prefetchPng(entry.path);
    for (const ModelEntry& entry : kModels)
        prefetchObj(entry.path);
    for (const MotionEntry& entry : kMotions)
        prefetchMotionFile(entry.path);
    platform::startPrefetch();
}

// The renderer is warmed before the music starts, so that it adds nothing to the time from
// the music to the clocks.
const LoaderStep kLoaderSteps[] = {
    {"materials", loadMaterials}, {"textures", loadTextures}, {"light0", setupLight0},
    {"models", loadModels},       {"paths", loadPaths},       {"warm-up", warmUpRenderer},
    {"music", loadMusic},         {"motions", loadMotions},
};
const int kLoaderStepCount = static_cast<int>(sizeof kLoaderSteps / sizeof kLoaderSteps[0]);

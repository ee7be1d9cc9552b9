// The demo's assets: every global texture, mesh, model, material, light, path, motion and the
// music, and the loaders that fill them at start-up. Nothing is loaded or freed afterwards;
// the sequences use these objects by name.
#pragma once

#include "animation/camera_path.h"
#include "animation/motion.h"
#include "assets/light.h"
#include "assets/material.h"
#include "assets/mesh.h"
#include "assets/model.h"
#include "assets/texture.h"
#include "audio/music.h"

// Textures, loaded by loadTextures in this order.
extern Texture texGround2, texWindows, texRetro, texCloud, texWhite, texRoof, texLoudspeeker,
    texWood, texMetal, texBricks, texFloor1, texBlend, texDiscoFront2, texHead, texBody;

// Materials, given their grey levels by loadMaterials.
extern Material matPlain, matGlow, matShiny;

// Meshes 0..19 and the models bound to them (model i draws mesh i), filled by loadModels.
extern Mesh meshGround, meshHouses, meshHouse, meshCar, meshSoftbox, meshDiscoRoom, meshLamps,
    meshRoof, meshLoudspeakers, meshTables, meshScenes, meshFloor, meshRigg, meshDiscoLamp,
    meshBlend, meshSofa, meshJoint, meshDiscoHouse, meshHeadHat, meshBody;
extern Model mdlGround, mdlHouses, mdlHouse, mdlCar, mdlSoftbox, mdlDiscoRoom, mdlLamps, mdlRoof,
    mdlLoudspeakers, mdlTables, mdlScenes, mdlFloor, mdlRigg, mdlDiscoLamp, mdlBlend, mdlSofa,
    mdlJoint, mdlDiscoHouse, mdlHeadHat, mdlBody;

// light0 drives GL_LIGHT0 (set up once at start-up); light1 is never set up, so applying it
// sends nothing.
extern Light light0, light1;

// The camera paths of the city and the disco, read by loadPaths.
extern CameraPath pathCity, pathDisco;

// The ten dance motions, loaded and rigged by loadMotions.
extern Motion motHumanDance, motVakt, motSitting, motBarMan, motKelbro, motPist, motWalkingMan,
    motHoppande, motPist2, motJuck;

// The soundtrack; started by loadMusic, released when the process ends.
extern Music music;

void loadMaterials();
void loadTextures();
void setupLight0();
void loadModels();
void loadPaths();
void loadMusic(); // also starts the music playing
void loadMotions();

// Starts reading and decoding the textures' and motions' files on the prefetch thread, for
// main to call before it opens the window; the loaders then take the results in their order
// (platform/prefetch.h). Optional: without it the loaders do all the work themselves.
void prefetchAssets();

// The loaders in start-up order, with names, for tools that time them one by one.
struct LoaderStep {
    const char* name;
    void (*run)();
};
extern const LoaderStep kLoaderSteps[];
extern const int kLoaderStepCount;

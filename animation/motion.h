// Skeletal motions: a .3DS keyframe rig drawn from one display list per bone.
#pragma once

#include <GL/gl.h>
#include <lib3ds/types.h>

#include <string>

#include "app/clock.h"
#include "assets/mesh.h"
#include "assets/model.h"
#include "assets/texture.h"

// Frames: the .3DS file is z-up; draw turns it by -90 degrees about x onto the renderer's
// y-up frame. Lengths are the file's world units, times seconds, playback in whole keyframer
// frames (0 .. file->frames - 1).
//
// Each keyframer object node gets a display list, kept in the node's user word (0 = none): the
// bone mesh ("../models/bone.obj", 5 units along +y) turned by -90 degrees about z onto the
// node's local +x and stretched along it to the distance of the farthest direct child, in the
// frame-0 pose. Nodes named "$$$DUMMY" or beginning with '-' get no list and draw nothing.
//
// The pose lives in lib3ds's node matrices (each a complete world transform, column-major as
// GL expects). draw shows the pose that the previous draw of the same Motion evaluated, then
// evaluates the next one from the Motion's own clock.
class Motion {
  public:
    Lib3dsFile* file = nullptr; // owned; null until load
    Model boneModel;            // boneMesh with boneTexture, no material
    Mesh boneMesh;              // "../models/bone.obj"
    Texture boneTexture;        // "../textures/white.png"
    GLuint boneList = 0;        // boneModel compiled once; every bone's list calls it
    Clock* clock = nullptr;     // owned; created and started at 0 by the first draw
    std::string path;           // the file loaded, for messages

    Motion() = default;
    ~Motion();
    Motion(const Motion&) = delete;
    Motion& operator=(const Motion&) = delete;

    // Reads the .3DS file (checked before lib3ds sees it), poses it at frame 0, loads the bone
    // mesh and texture relative to the working directory and compiles the bone lists. Needs a
    // current GL context. A missing or malformed file prints "Unable to open 3ds file <path>"
    // on standard error and ends the process with status 1; a missing bone mesh or texture
    // ends it as Mesh::load and Texture::load do.
    void load(const std::string& path);

    // Recompiles the list of the first object node named `nodeName` (depth first) as `model`,
    // turned like a bone but not stretched; it replaces the bone (or an earlier model) in every
    // later draw. A name that matches no object node with a list is a load error: one line
    // naming the node and the file on standard error, status 1. Not while compiling a list.
    void attachModel(Model* model, const std::string& nodeName);

    // Draws the rig in its current pose inside a push / pop of the model-view matrix (which
    // must be current), then evaluates the pose at
    //   frame = floor(fmod((clock seconds + offsetSeconds) * fps, frames))
    // in double precision. fps is frames per second; a file with no frames stays on frame 0.
    void draw(unsigned int fps, float offsetSeconds);

    // Draws the rig in its current pose, as draw does, without evaluating the next one.
    void drawPose();

    // Draws the node's children, then the node's own list (if any) at its world matrix minus
    // its pivot. Transforms are not accumulated down the tree.
    void drawNode(Lib3dsNode* node);

    // Compiles the lists of the node's subtree, children first: list ids are handed out in
    // post-order. A node that already has a list keeps it.
    void buildBones(Lib3dsNode* node);

    // The frame formula of draw: whole frames in 0 .. frames - 1 (a negative time wraps
    // backwards, and a count of frames below 1 or a non-finite time gives frame 0).
    static float frameAt(double clockSeconds, float offsetSeconds, unsigned int fps, int frames);

  private:
    // Compiles model->draw() into a new display list and returns its id; with no list left
    // in GL, one line on standard error and status 1. Not while compiling a list.
    static GLuint compileModel(Model* model);
};

// Queues the reading and checking of the .3DS file at `path` on the prefetch thread
// (platform/prefetch.h), so that a later Motion::load of the same path finds it parsed and
// posed at frame 0. That load then behaves exactly as without the prefetch, failure message
// included.
void prefetchMotionFile(const std::string& path);

// Fixtures for the motion tests: .3DS files written through lib3ds's own writer, and scratch
// trees holding the bone mesh and texture that Motion::load reads relative to bin/.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The test rig, file frame (z up), written with `frames` as the file's frame count:
//
//   node       id parent  position (file frame, relative to the parent)   notes
//   Hips        0  none   (f, 0, 50) in frame f: a key on every frame 0..99
//   $$$DUMMY    1  Hips   (10, 0, 0)                                     draws nothing
//   Thumb       2  DUMMY  (0, 0, -6)                                     leaf
//   Spine       3  Hips   (0, 0, 20), pivot (1, 2, 3)
//   -Hand       4  Spine  (9, 0, 0)                                      draws nothing
//   Finger      5  -Hand  (3, 0, 0)                                      leaf
//   Head        6  Spine  (0, 0, 12)                                     leaf
//
// No rotation and unit scale, so a node's world matrix is a translation. lib3ds keeps
// siblings sorted by name: Hips -> [$$$DUMMY, Spine], Spine -> [-Hand, Head].
struct RigNodeSpec {
    const char* name;
    float world[3]; // world position in frame 0 (file frame)
    float pivot[3];
    float boneLength; // frame-0 distance to the farthest direct child; 0 for leaves
    bool drawsBone;
};
const std::vector<RigNodeSpec>& testRigNodes();

// Writes the rig; false when lib3ds cannot save it.
bool writeTestRig(const std::string& path, int frames);
// The rig's bytes as lib3ds writes them.
std::vector<std::uint8_t> testRigBytes(int frames);

// A file with a bit of everything lib3ds writes: background, atmosphere, viewport layout,
// a material with colours and a texture map, a mesh with faces, texels and a material group,
// a camera, a spotlight, and the rig's keyframer nodes.
bool writeTestScene(const std::string& path);

// A scratch tree (bin/, models/, models/moves/, textures/) with a fixture bone.obj and
// white.png. The bone is one triangle (0,0,1) (0,5,0) (1,0,0): 5 units along +y, with
// corners off the y axis so that the zero-length bone of a leaf still has an area.
std::string makeRigTree(const std::string& name, bool withTexture = true);

// Writes an RGB PNG of one colour.
bool writeSolidPng(const std::string& path, int width, int height, std::uint8_t r, std::uint8_t g,
                   std::uint8_t b);

// Changes the working directory for its lifetime (tests share one process-wide cwd).
class WorkingDirectory {
  public:
    explicit WorkingDirectory(const std::string& dir);
    ~WorkingDirectory();
    WorkingDirectory(const WorkingDirectory&) = delete;
    WorkingDirectory& operator=(const WorkingDirectory&) = delete;
    bool ok() const { return ok_; }

  private:
    std::string previous_;
    bool ok_ = false;
};

// The content pipeline's entry points and the progress report they share.
#pragma once

#include <string>

namespace gen {

// Where the generated files go: root/models, root/models/moves, root/textures, root/music.
struct OutputDirs {
    std::string models, moves, textures, music;
};

// One numbered line per finished step on standard error.
void progress(const std::string& what);

// Each writes its part of the asset set; false (after a message) when a file cannot be
// written.
bool generateWorld(const OutputDirs& out);   // scene meshes, textures, camera paths
bool generateFigures(const OutputDirs& out); // rig motions, bone/head/body, their textures
bool generateMusic(const OutputDirs& out);   // the soundtrack

} // namespace gen

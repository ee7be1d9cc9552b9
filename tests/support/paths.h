// Test rig: where the build and the sources are, and scratch asset trees for fixtures.
#pragma once

#include <string>

// The build tree (holds bin/, models/, textures/, music/).
std::string buildDir();
std::string sourceDir();

// A fresh, empty scratch directory under the build tree's test area, unique per call.
// A demo-shaped tree is made inside it: bin/, models/, models/moves/, textures/, music/.
std::string makeScratchTree(const std::string& name);

// Copies a file; returns false on failure.
bool copyFile(const std::string& from, const std::string& to);
// Writes `bytes` to `path`; returns false on failure.
bool writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

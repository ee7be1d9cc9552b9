// Test rig: where the build and the sources are, and scratch folders for fixtures.
#pragma once

#include <string>

// The build tree (holds bin/, models/, textures/, music/).
std::string buildDir();
std::string sourceDir();

// Scratch space. Every folder a test program makes lies in one folder of its own under the
// build tree's test-scratch/, named after what the program runs: the test's full name
// (Suite.Test, or Instance.Suite.Test.Param) when it runs a single test, as under ctest, or
// the program's name otherwise. A second run of the same name replaces it. It is removed when
// the program ends with every test passed (or skipped), or is stopped by SIGINT, SIGTERM or
// SIGHUP; when a test failed it is kept for inspection and its path printed. A process that
// finds the name held by a live run (a test that runs its own program again) takes
// name-PID instead.

// The folder of this run, made on first use.
std::string scratchRoot();
// A fresh, empty folder in it: `name`, then name-2, name-3 ... when asked again.
std::string makeScratchDir(const std::string& name);
// As makeScratchDir, with a demo-shaped tree inside: bin/, models/, models/moves/, textures/,
// music/.
std::string makeScratchTree(const std::string& name);

// Fills a tree from makeScratchTree with every generated asset of the build tree, as hard
// links (copies where the file system has none): the demo, run from root/bin, finds what it
// finds in build/bin. The files are shared with the build: damage one only through
// writeFile, copyFile or std::filesystem::remove, which replace the link and leave the
// build's file alone; never open one for writing in place. Returns false on failure.
bool linkAssetTree(const std::string& root);

// Copies a file to a new file at `to` (an existing file or link there is replaced, never
// written through); returns false on failure.
bool copyFile(const std::string& from, const std::string& to);
// Writes `bytes` to `path` as a new file, as copyFile does; returns false on failure.
bool writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);

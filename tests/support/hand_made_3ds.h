// Test rig: small .3DS files made byte by byte, for the cases lib3ds's own writer cannot make
// or that are too large to keep as files.
#pragma once

#include <string>

// A keyframer of `count` object nodes (id and header only): one chain, each node the parent
// of the next, or, when `chain` is false, every node a child of the first.
std::string nodeTree3ds(int count, bool chain);

// `count` root nodes, each with a position track of `keys` keys at frames 0, 1, 2, ...
std::string keyedNodes3ds(int count, int keys);

// One object node whose position track loops (flag bit 0) over two keys at `first` and
// `last`.
std::string loopingTrack3ds(int first, int last);

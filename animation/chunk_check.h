// A structural check of .3DS files, run before lib3ds reads them.
//
// lib3ds 1.3 trusts its input: it loops forever on a chunk of size 0, reads a truncated file
// as a success, writes out of bounds on a bad face index in a material group, reads past its
// point list on a bad face corner and recurses until the stack ends on a keyframe node that is
// its own parent. The check walks every chunk that lib3ds walks, with nested bounds, and looks
// at the few fields that steer lib3ds's allocations, indices and links.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <lib3ds/types.h>

// Limits, far above any real rig (the generated ones have 25 nodes, 6 levels, at most 161
// keys in a track and 220,000 key pairs in a file): keyframer nodes in a file, levels of the
// node tree, keys in one track, key pairs in a file (keys x (keys - 1) / 2 summed over its
// tracks: lib3ds inserts each key by a walk along the keys before it, so a track of n keys
// costs it n^2 / 2 steps; 50 million take it about a second), and chunks nested in one
// another.
constexpr std::size_t kMax3dsNodes = 4096;
constexpr int kMax3dsNodeDepth = 64;
constexpr std::int32_t kMax3dsTrackKeys = 10000;
constexpr std::int64_t kMax3dsKeyPairs = 50000000;
constexpr int kMax3dsChunkDepth = 16;

// True when the bytes are a .3DS file that lib3ds can read safely. On false, *reason (if not
// null) says what is wrong and where (byte offsets), for tests and tools.
bool check3dsBytes(const std::uint8_t* data, std::size_t size, std::string* reason);

// The same for a file, read through the regular-file gate (platform/input_file.h): a file
// that is not a regular file, or is larger than platform::kMax3dsBytes, is not safe either.
bool check3dsFile(const std::string& path, std::string* reason);

// Reads the file once, checks the bytes and hands the same bytes to lib3ds, so what lib3ds
// reads is what was checked. Null (with *reason, if not null) when the file is refused.
Lib3dsFile* load3dsFile(const std::string& path, std::string* reason);

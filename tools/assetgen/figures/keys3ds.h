// A looping motion sampled at key frames and turned into a lib3ds keyframer file: one object
// node per rig node, position, rotation and scale tracks.
//
// lib3ds 1.3 conventions handled here: every node carries a unique node_id and the root the
// parent id LIB3DS_NO_PARENT; a rotation key holds the rotation from the previous key's
// orientation (the first key: from none), as an axis and an angle whose quaternion lib3ds builds
// with a negated half-angle; the per-key tension/continuity/bias stay at their defaults (the
// file stores them only when flagged). Tracks that never change carry a single key; the others
// are flagged LIB3DS_SMOOTH, so lib3ds shapes the curve at both ends across the loop's seam
// (the last key repeats the first). The file stores each track's keys last frame first, which
// lib3ds reads fastest; it sorts them again as it reads.
#pragma once

#include <lib3ds/file.h>

#include <string>
#include <vector>

#include "figures/rig.h"

namespace gen {
namespace fig {

struct Clip {
    int frames = 0;             // loop length; playback shows frames 0 .. frames - 1
    std::vector<int> keyFrames; // ascending, first 0, last == frames
    std::vector<Posed> poses;   // one per key frame; the last repeats the first
};

// Evenly spread key frames: round(k * frames / keys) for k = 0 .. keys.
std::vector<int> evenKeyFrames(int frames, int keys);

// A new in-memory file holding the clip, tracks set up so lib3ds_file_eval works on it at once.
// The caller frees it with lib3ds_file_free. Null when the clip does not loop cleanly (a
// rotation that comes back with the opposite quaternion sign, which lib3ds cannot blend across).
Lib3dsFile* buildKeyframeFile(const Clip& clip);

// Writes the clip to `path`. False (after a message) on failure.
bool writeKeyframeFile(const Clip& clip, const std::string& path);

} // namespace fig
} // namespace gen

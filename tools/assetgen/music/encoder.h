// MP3 output through libmp3lame.
#pragma once

#include <string>

#include "music/signal.h"

namespace gen::music {

// Writes `pcm` (full scale at +-1, 44.1 kHz) as joint-stereo MP3 at a constant `kbps` with
// the LAME tag in the first frame, which records the encoder's delay and padding so that
// decoders trim them: the decoded stream has exactly pcm.frames() frames and a loop of it
// has no gap. The file is written beside `path` and renamed over it when complete.
// False, after a message on standard error, when it cannot be written.
bool writeMp3(const Stereo& pcm, const std::string& path, int kbps = 256);

} // namespace gen::music

// Time effects over a whole loop. Each treats its input as one period of an endless signal:
// it first runs over the loop's last `warmup` seconds to fill its lines, so that the echoes
// and the reverb tail of the end carry on into the beginning exactly as on the next pass.
#pragma once

#include <vector>

#include "music/signal.h"

namespace gen::music {

// Ping-pong echo of a mono send: the first echo on the left after `delayFrames`, the next on
// the right, and so on, each `feedback` (0..0.9) times the last and a little darker.
Stereo pingPongDelay(const std::vector<float>& send, int delayFrames, float feedback);

// A stereo room: eight damped comb filters and four allpasses per side (Schroeder and
// Moorer's structure), with `size` (0..1) setting the decay and `damping` (0..1) how quickly
// the highs die. Returns the wet signal only.
Stereo reverb(const Stereo& send, float size, float damping);

} // namespace gen::music

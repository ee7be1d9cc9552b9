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

// A wall between the listener and the sound: a four-pole lowpass whose cutoff (Hz) is read
// for every frame from `cutoffAt`; 0 means no wall, and the sound passes untouched. While
// the wall is closed it also takes 8 dB off the level and pulls the stereo image toward the
// middle. Changes of state are smoothed over a few milliseconds, so the wall can open on a
// single frame without a click.
void wall(Stereo& pcm, float (*cutoffAt)(size_t frame));

// Mid/side width: the side signal loses everything below `monoBelowHz` (so the bass and
// the kick stay exactly mono) and the rest of it is scaled by `width` (1 leaves it as is).
void stereoWidth(Stereo& pcm, float monoBelowHz, float width);

// Removes the DC and the inaudible rumble below `hz` with a second-order highpass.
void dcFilter(Stereo& pcm, float hz);

} // namespace gen::music

// The song: 80 bars of four-on-the-floor disco at about 124.35 beats a minute. A bar lasts
// 1.93 s (85113 frames), so the cut from the city to the disco at 38.6 s falls on the
// downbeat of bar 20, and the loop lasts 154.4 s. Bars are counted from 0.
//
//   bars  0-19  the city: a pad alone, then an arpeggio, hats, a filtered groove, a snare
//               roll and a riser; the last two beats hold their breath
//   bars 20-31  the drop: kick, clap, hats, octave bass, chord stabs, strings; the lead at 28
//   bars 32-37  breakdown under the camera's hold: strings, arpeggio and a soft lead, then a
//               two-bar build
//   bars 38-53  second drop with the lead; 54-61 a bridge on other chords with a new melody
//   bars 62-79  the lead again, then the groove thins out and the last two bars turn
//               around into bar 0, where the loop starts again
#pragma once

#include <cstdint>
#include <vector>

#include "music/instruments.h"

namespace gen::music {

constexpr int kBars = 80;
constexpr int kFramesPerBar = 85113;
constexpr int kStepsPerBar = 16; // sixteenth notes
constexpr int kDropBar = 20;
constexpr int kBreakdownBar = 32;
constexpr int kSecondDropBar = 38;
constexpr size_t kLoopFrames = static_cast<size_t>(kBars) * kFramesPerBar;

// The frame at a position counted in sixteenths from the loop's start (fractions allowed).
std::int64_t frameAt(double step);

enum class Drum { Kick, Clap, Snare, ClosedHat, OpenHat, Crash, TomHigh, TomLow };

struct DrumHit {
    Drum drum;
    std::int64_t frame;
    float velocity; // 0..1
};

// Everything the band plays in one pass of the loop.
struct Score {
    std::vector<DrumHit> drums;
    std::vector<Note> bass, stabs, pad, arp, lead, risers;
};

Score compose();

// Synthesises a score and mixes it with its echo and reverb, before any level adjustment.
// `step` is called with a line after each stage.
Stereo mixScore(const Score& score, void (*step)(const char* what) = nullptr);

// The finished loop: mixScore, then -14 LUFS integrated with every sample within -1 dBFS.
Stereo perform(const Score& score, void (*step)(const char* what) = nullptr);

} // namespace gen::music

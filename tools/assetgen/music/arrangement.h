// The song: 80 bars of four-on-the-floor disco at about 124.35 beats a minute. A bar lasts
// 1.93 s (85113 frames), so the cut from the city to the disco at 38.6 s falls on the
// downbeat of bar 20, and the loop lasts 154.4 s. Bars are counted from 0.
//
//   bars  0-19  the city: the club is heard through a wall (its groove low-passed, hats and
//               clap held back) under a string pad outside; congas and guitar from 8, the
//               build from 16 with the wall creeping open; the last two beats hold their
//               breath
//   bars 20-32  the drop: the wall opens and everything is in: open hats on the off-beat,
//               shaker sixteenths, tambourine, guitar chops, clavinet, brass stabs, strings
//               and the vocal hook with its answer; congas and the strings' line from 28
//   bars 33-37  breakdown under the camera's hold: the band stops on the downbeat of bar 33;
//               strings, congas and the hook, then a two-bar build; the kick is back on the
//               second beat of bar 38
//   bars 38-53  second drop: the hook and its answer over a string counter-line, then a
//               walking bass with the arpeggio and brass riffs
//   bars 54-61  a bridge on other chords with the lead; 62-69 the hook again
//   bars 70-79  a percussion break, then the wall closes over the last four bars, so the
//               loop's start carries on from its end
#pragma once

#include <cstdint>
#include <vector>

#include "music/instruments.h"

namespace gen::music {

constexpr int kBars = 80;
constexpr int kFramesPerBar = 85113;
constexpr int kStepsPerBar = 16; // sixteenth notes
constexpr int kDropBar = 20;
constexpr size_t kLoopFrames = static_cast<size_t>(kBars) * kFramesPerBar;
// The kick is out from the second beat of kBreakBar to the first beat of kReturnBar; it is
// back on the second.
constexpr int kBreakBar = 33;
constexpr int kReturnBar = 38;

// The frame at a position counted in sixteenths from the loop's start (fractions allowed).
std::int64_t frameAt(double step);

enum class Drum {
    Kick,
    Clap,
    Snare,
    ClosedHat,
    OpenHat,
    Crash,
    TomHigh,
    TomLow,
    Shaker,
    Tambourine,
    CongaHigh,
    CongaLow,
    Count
};

struct DrumHit {
    Drum drum;
    std::int64_t frame;
    float velocity; // 0..1
};

enum class Part { Bass, Pad, Arp, Lead, Riser, Guitar, Clav, Brass, Strings, Vocal, Count };
constexpr size_t kPartCount = static_cast<size_t>(Part::Count);

// Everything the band plays in one pass of the loop. The club's drums and parts sound
// through the wall while it is closed; the street's parts are outside it.
struct Score {
    std::vector<DrumHit> drums;
    std::vector<Note> club[kPartCount], street[kPartCount];

    std::vector<Note>& part(Part p, bool outside = false) {
        return (outside ? street : club)[static_cast<size_t>(p)];
    }
    const std::vector<Note>& part(Part p, bool outside = false) const {
        return (outside ? street : club)[static_cast<size_t>(p)];
    }
};

Score compose();

// The wall between the club and the street as a lowpass cutoff in Hz at a position in bars
// (fractions allowed); 0 where it is open. Closed at the loop's start and end alike.
float wallCutoff(double bar);

// Synthesises a score and mixes it with its echo and reverb, the club through the wall and a
// DC filter on the sum, before any level adjustment. `step` is called after each stage.
Stereo mixScore(const Score& score, void (*step)(const char* what) = nullptr);

// The finished loop: mixScore, then -14 LUFS integrated with every sample within -2 dBFS,
// which keeps the true peak of the encoded file under -1 dBTP.
Stereo perform(const Score& score, void (*step)(const char* what) = nullptr);

} // namespace gen::music

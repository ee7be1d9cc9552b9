// The composition: chords, parts and the form of the loop.
#include "music/arrangement.h"

#include <cmath>

#include "common/image.h"

namespace gen::music {

std::int64_t frameAt(double step) {
    return std::llround(step * kFramesPerBar / kStepsPerBar);
}

namespace {

// A chord: the bass root and four voicing notes around middle C (MIDI numbers).
struct Chord {
    float root;
    float voicing[4];
};

const Chord kAm9{33, {55, 59, 60, 64}};
const Chord kFmaj9{29, {57, 60, 64, 67}};
const Chord kDm9{38, {57, 60, 64, 65}};
const Chord kE7{40, {56, 59, 62, 64}};
const Chord kG7sus{43, {55, 60, 62, 65}};
const Chord kCmaj7{36, {55, 59, 60, 64}};

// The verse turns i - VI - iv - V in A minor; the bridge iv - VII - III - V.
const Chord* const kVerse[4] = {&kAm9, &kFmaj9, &kDm9, &kE7};
const Chord* const kBridge[4] = {&kDm9, &kG7sus, &kCmaj7, &kE7};

const Chord& chordOf(int bar) {
    if ((bar >= 36 && bar < 38) || bar >= 78)
        return bar % 2 == 0 ? kDm9 : kE7; // turnaround into the next downbeat
    if (bar >= 54 && bar < 62)
        return *kBridge[(bar - 54) % 4];
    const int start = bar < 20 ? 0 : bar < 32 ? 20 : bar < 38 ? 32 : bar < 62 ? 38 : 62;
    return *kVerse[(bar - start) % 4];
}

// A melody note inside a bar: start and length in sixteenths, MIDI pitch.
struct Phrase {
    float step, length, pitch;
};
using Melody = std::vector<std::vector<Phrase>>; // one list per bar

// The hook over the verse, its answer, and the bridge tune.
const Melody kHook = {
    {{2, 2, 69}, {4, 2, 72}, {6, 3, 76}, {10, 2, 74}, {12, 2, 72}, {14, 2, 71}},
    {{0, 4, 72}, {6, 2, 69}, {8, 2, 72}, {10, 2, 76}, {12, 4, 79}},
    {{0, 3, 77}, {3, 3, 76}, {6, 2, 74}, {8, 2, 72}, {10, 2, 69}, {12, 2, 74}, {14, 2, 72}},
    {{0, 4, 71}, {4, 2, 68}, {6, 2, 71}, {8, 2, 74}, {10, 6, 76}},
};
const Melody kAnswer = {
    {{0, 2, 76}, {2, 4, 81}, {6, 2, 79}, {8, 2, 76}, {10, 2, 74}, {12, 4, 76}},
    {{0, 3, 72}, {3, 3, 74}, {6, 2, 76}, {8, 4, 79}, {12, 4, 76}},
    {{0, 2, 77}, {2, 2, 76}, {4, 2, 74}, {6, 2, 72}, {8, 4, 74}, {12, 4, 69}},
    {{0, 2, 68}, {2, 2, 71}, {4, 2, 74}, {6, 2, 76}, {8, 4, 80}, {12, 4, 76}},
};
const Melody kBridgeTune = {
    {{0, 2, 81}, {2, 2, 77}, {4, 2, 81}, {6, 4, 84}, {10, 2, 81}, {12, 4, 76}},
    {{0, 2, 74}, {2, 2, 77}, {4, 4, 79}, {8, 2, 77}, {10, 2, 74}, {12, 4, 72}},
    {{0, 2, 76}, {2, 2, 79}, {4, 4, 83}, {8, 2, 79}, {10, 2, 76}, {12, 2, 72}, {14, 2, 74}},
    {{0, 4, 76}, {4, 2, 74}, {6, 2, 71}, {8, 4, 68}, {12, 4, 71}},
};

// Octave bass: (step, interval above the root, length in sixteenths). The walking variant
// closes each four-bar turn.
struct BassStep {
    float step, interval, length;
};
const std::vector<BassStep> kOctaves = {{0, 0, 1.5f},  {2, 12, 1.2f}, {4, 0, 1.5f},
                                        {6, 12, 1.2f}, {8, 0, 1.5f},  {10, 12, 1.2f},
                                        {12, 0, 1.5f}, {14, 12, 1.2f}};
const std::vector<BassStep> kWalk = {{0, 0, 1.5f}, {2, 12, 1.2f}, {4, 0, 1.5f}, {6, 12, 1.2f},
                                     {8, 0, 1.5f}, {10, 12, 1},   {12, 10, 1},  {13, 12, 1},
                                     {14, 7, 1},   {15, 10, 1}};

// Arpeggio order over the voicing (0-3) and an octave above it (4-7).
const int kArpOrder[16] = {0, 2, 1, 3, 2, 4, 3, 5, 4, 6, 5, 7, 6, 4, 3, 1};

const float kOffbeats[4] = {2, 6, 10, 14};

float ramp(int bar, int from, int to, float a, float b) {
    const float t = static_cast<float>(bar - from) / static_cast<float>(to - from);
    return a + (b - a) * t;
}

bool within(int bar, int from, int to) {
    return bar >= from && bar < to;
}

class Composer {
  public:
    Score score;

    void drum(Drum d, int bar, float step, float velocity) {
        // Hats lean back a little on the off-sixteenths: the groove's swing.
        const bool hat = d == Drum::ClosedHat || d == Drum::OpenHat;
        const float swing = hat && std::fmod(step, 2.0f) == 1.0f ? 0.1f : 0.0f;
        score.drums.push_back({d, frameAt(bar * kStepsPerBar + step + swing), humanize(velocity)});
    }
    void note(std::vector<Note>& part, int bar, float step, float length, float pitch,
              float velocity, float tone) {
        Note n;
        n.start = frameAt(bar * kStepsPerBar + step);
        n.length = static_cast<int>(frameAt(bar * kStepsPerBar + step + length) - n.start);
        n.pitch = pitch;
        n.velocity = humanize(velocity);
        n.tone = tone;
        part.push_back(n);
    }
    void bassBar(int bar, float velocity, float tone, int lastStep = kStepsPerBar) {
        const Chord& chord = chordOf(bar);
        const bool turn = &chord == &kE7;
        for (const BassStep& b : turn ? kWalk : kOctaves)
            if (b.step < lastStep)
                note(score.bass, bar, b.step, b.length, chord.root + b.interval, velocity, tone);
    }
    void padBar(int bar, float velocity, float tone) {
        for (float pitch : chordOf(bar).voicing)
            note(score.pad, bar, 0, kStepsPerBar, pitch, velocity, tone);
    }
    void stabBar(int bar, float velocity, float tone) {
        static const std::vector<float> even = {2, 6, 10, 14}, odd = {2, 6, 10, 13, 15};
        for (float step : bar % 2 == 0 ? even : odd)
            for (float pitch : chordOf(bar).voicing)
                note(score.stabs, bar, step, 1.2f, pitch + 12.0f, velocity, tone);
    }
    void arpBar(int bar, float velocity, float tone, int lastStep = kStepsPerBar) {
        const Chord& chord = chordOf(bar);
        for (int step = 0; step < lastStep; ++step) {
            const int k = kArpOrder[step];
            const float pitch = chord.voicing[k % 4] + 12.0f * (k / 4 + 1);
            note(score.arp, bar, static_cast<float>(step), 0.8f, pitch, velocity, tone);
        }
    }
    void melody(const Melody& tune, int firstBar, float velocity, float tone) {
        float lastEnd = -1.0f, lastPitch = 0.0f;
        for (size_t b = 0; b < tune.size(); ++b)
            for (const Phrase& p : tune[b]) {
                const int bar = firstBar + static_cast<int>(b);
                const float at = bar * kStepsPerBar + p.step;
                note(score.lead, bar, p.step, 0.85f * p.length, p.pitch, velocity, tone);
                // Notes that follow on without a rest slide in from the one before.
                score.lead.back().glideFrom = at == lastEnd ? lastPitch : 0.0f;
                lastEnd = at + p.length;
                lastPitch = p.pitch;
            }
    }

  private:
    float humanize(float velocity) { return velocity * (0.92f + 0.08f * rng_.uniform()); }
    Rng rng_{0xD15C0FEEull};
};

void drums(Composer& c) {
    for (int bar = 0; bar < kBars; ++bar) {
        const bool groove = within(bar, 20, 32) || within(bar, 38, 78);
        // Kick: the filtered city groove from bar 12, silent for the last two beats before
        // the drop and the build's last beat, then every beat.
        const int kickSteps = within(bar, 12, 19) || bar == 36 || groove ? 16
                              : bar == 19                                ? 8
                              : bar == 37                                ? 12
                                                                         : 0;
        for (int step = 0; step < kickSteps; step += 4)
            c.drum(Drum::Kick, bar, step, bar < 20 ? 0.75f : bar == 36 ? 0.8f : 1.0f);
        // Clap on two and four.
        if (within(bar, 14, 20) || within(bar, 20, 32) || within(bar, 38, 76)) {
            const float v = bar < 20 ? 0.5f : 0.9f;
            c.drum(Drum::Clap, bar, 4, v);
            if (bar != 19)
                c.drum(Drum::Clap, bar, 12, v);
        }
        // Hats: a tick in the city, then the disco pattern of open off-beats over closed
        // sixteenths; a light shaker in the breakdown; fading ticks at the very end.
        if (within(bar, 8, 12) || bar >= 78)
            for (float step : kOffbeats)
                c.drum(Drum::ClosedHat, bar, step,
                       bar < 12 ? 0.35f : ramp(bar, 78, 80, 0.3f, 0.15f));
        if (within(bar, 12, 20))
            for (int step = 0; step < (bar == 19 ? 8 : 16); ++step)
                if (step % 4 != 0)
                    c.drum(Drum::ClosedHat, bar, step, step % 2 ? 0.3f : 0.4f);
        if (groove)
            for (int step = 0; step < 16; ++step) {
                if (step % 4 == 2)
                    c.drum(Drum::OpenHat, bar, step, 0.6f);
                else
                    c.drum(Drum::ClosedHat, bar, step, step % 2 ? 0.4f : 0.22f);
            }
        if (within(bar, 32, 38))
            for (int step = 1; step < (bar == 37 ? 12 : 16); step += 2)
                c.drum(Drum::ClosedHat, bar, step, bar < 36 ? 0.22f : 0.32f);
        // Crashes mark the phrases.
        for (int at : {20, 28, 38, 46, 54, 62, 70})
            if (bar == at)
                c.drum(Drum::Crash, bar, 0, 0.85f);
        if (bar == kBreakdownBar)
            c.drum(Drum::Crash, bar, 0, 0.55f);
    }
    // Snare rolls into the drops: quarters, eighths, then sixteenths, growing louder.
    for (int bar = 16; bar < 18; ++bar)
        for (int step = 0; step < 16; step += 4)
            c.drum(Drum::Snare, bar, step, ramp(bar * 16 + step, 256, 288, 0.25f, 0.45f));
    for (int step = 0; step < 16; step += 2)
        c.drum(Drum::Snare, 18, step, ramp(step, 0, 16, 0.45f, 0.6f));
    for (int step = 0; step < 8; ++step)
        c.drum(Drum::Snare, 19, step, ramp(step, 0, 8, 0.6f, 0.9f));
    for (int step = 0; step < 16; step += 4)
        c.drum(Drum::Snare, 36, step, 0.35f);
    for (int step = 0; step < 12; step += step < 8 ? 2 : 1)
        c.drum(Drum::Snare, 37, step, ramp(step, 0, 12, 0.4f, 0.85f));
    // Fills at the ends of phrases.
    for (int bar : {31, 61})
        for (int step = 12; step < 16; ++step)
            c.drum(Drum::Snare, bar, step, ramp(step, 12, 16, 0.5f, 0.8f));
    for (int bar : {53, 69})
        for (int step = 12; step < 16; ++step)
            c.drum(step < 14 ? Drum::TomHigh : Drum::TomLow, bar, step, 0.8f);
}

void band(Composer& c) {
    for (int bar = 0; bar < kBars; ++bar) {
        // Bass: filtered in the city, open in the disco, closing again at the end.
        if (within(bar, 12, 20))
            c.bassBar(bar, 0.8f, ramp(bar, 12, 20, 0.08f, 0.35f), bar == 19 ? 8 : 16);
        else if (within(bar, 20, 32) || within(bar, 38, 74))
            c.bassBar(bar, 0.9f, bar < 38 ? 0.5f : 0.58f);
        else if (bar == 36 || bar == 37)
            c.bassBar(bar, 0.8f, bar == 36 ? 0.2f : 0.35f, bar == 37 ? 12 : 16);
        else if (within(bar, 74, 78))
            c.bassBar(bar, 0.9f, ramp(bar, 74, 78, 0.5f, 0.15f));

        if (within(bar, 20, 32) || within(bar, 38, 74))
            c.stabBar(bar, 0.8f, within(bar, 46, 54) ? 0.7f : 0.55f);

        // Strings all the way, carrying the city and the breakdown, quiet under the groove.
        if (bar < 20)
            c.padBar(bar, ramp(bar, 0, 20, 0.7f, 1.0f), ramp(bar, 0, 20, 0.15f, 0.5f));
        else if (within(bar, 32, 38))
            c.padBar(bar, 0.9f, 0.6f);
        else if (within(bar, 74, 78))
            c.padBar(bar, ramp(bar, 74, 78, 0.4f, 0.7f), ramp(bar, 74, 78, 0.45f, 0.25f));
        else if (bar >= 78)
            c.padBar(bar, 0.72f, ramp(bar, 78, 80, 0.22f, 0.16f));
        else
            c.padBar(bar, 0.35f, 0.45f);

        // The arpeggio: the city's pulse, the breakdown's shimmer, the outro's fade.
        if (within(bar, 4, 20))
            c.arpBar(bar, ramp(bar, 4, 20, 0.6f, 0.9f), ramp(bar, 4, 20, 0.1f, 0.6f),
                     bar == 19 ? 8 : 16);
        else if (within(bar, 32, 38))
            c.arpBar(bar, 0.55f, bar < 36 ? 0.35f : 0.5f, bar == 37 ? 12 : 16);
        else if (within(bar, 46, 54) || within(bar, 62, 78))
            c.arpBar(bar, 0.45f, 0.42f);
        else if (bar >= 78)
            c.arpBar(bar, ramp(bar, 78, 80, 0.5f, 0.3f), ramp(bar, 78, 80, 0.35f, 0.2f));
    }
    c.melody(kHook, 28, 0.8f, 0.6f);
    c.melody(kHook, 32, 0.55f, 0.35f);
    c.melody(kHook, 38, 0.85f, 0.65f);
    c.melody(kAnswer, 42, 0.85f, 0.65f);
    c.melody(kBridgeTune, 54, 0.85f, 0.6f);
    c.melody(kBridgeTune, 58, 0.85f, 0.7f);
    c.melody(kHook, 62, 0.85f, 0.65f);
    c.melody(kAnswer, 66, 0.85f, 0.65f);

    c.note(c.score.risers, 16, 0, 4 * kStepsPerBar, 0, 1.0f, 1.0f);
    c.note(c.score.risers, 36, 0, 2 * kStepsPerBar, 0, 0.8f, 1.0f);
}

} // namespace

Score compose() {
    Composer c;
    drums(c);
    band(c);
    return std::move(c.score);
}

} // namespace gen::music

// The composition: chords, parts and the form of the loop.
#include "music/arrangement.h"

#include <cmath>

#include "common/image.h"

namespace gen::music {

std::int64_t frameAt(double step) {
    return std::llround(step * kFramesPerBar / kStepsPerBar);
}

namespace {

// A chord: the bass root and two four-note voicings around middle C (MIDI numbers). The
// voicings alternate every four bars, and their top notes move step by step: B C A G# over
// the first turn of the verse, E D C B over the second. E belongs to every chord of the
// verse; only the A minor voicings keep it, so it does not drone through the whole song.
struct Chord {
    float root;
    float low[4], high[4];
};

const Chord kAm9{33, {60, 64, 67, 71}, {67, 71, 72, 76}};
const Chord kFmaj9{29, {65, 67, 69, 72}, {65, 67, 69, 74}};
const Chord kDm9{38, {60, 62, 65, 69}, {62, 65, 69, 72}};
const Chord kE7{40, {59, 62, 65, 68}, {62, 65, 68, 71}};
const Chord kG7sus{43, {65, 67, 72, 74}, {62, 65, 67, 72}};
const Chord kCmaj9{36, {62, 64, 67, 71}, {64, 67, 71, 74}};

// The verse turns i - VI - iv - V in A minor; the bridge iv - VII - III - V.
const Chord* const kVerse[4] = {&kAm9, &kFmaj9, &kDm9, &kE7};
const Chord* const kBridge[4] = {&kDm9, &kG7sus, &kCmaj9, &kE7};

bool within(int bar, int from, int to) {
    return bar >= from && bar < to;
}

const Chord& chordOf(int bar) {
    if (bar == 36 || bar == 78)
        return kDm9; // turnarounds into the next downbeat
    if (bar == 37 || bar == 79)
        return kE7;
    if (within(bar, 54, 62))
        return *kBridge[(bar - 54) % 4];
    const int start = bar < 38 ? 0 : bar < 62 ? 38 : 62;
    return *kVerse[(bar - start) % 4];
}

// The voicing of a bar: low and high alternate every four bars of a section.
const float* voicingOf(int bar) {
    const int start = bar < 38 ? 0 : bar < 54 ? 38 : bar < 62 ? 54 : 62;
    const Chord& chord = chordOf(bar);
    return (bar - start) / 4 % 2 == 0 ? chord.low : chord.high;
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
// The strings' counter-line under the hook: half notes that move against it, falling
// where the tune climbs.
const Melody kCounter = {
    {{0, 8, 64}, {8, 8, 62}},
    {{0, 8, 60}, {8, 8, 64}},
    {{0, 8, 65}, {8, 8, 64}},
    {{0, 8, 62}, {8, 8, 59}},
};
// A vowel for each hook: "ah" for the hook, "ee" for the answer, "oo" in the breakdown.
constexpr float kAh = 0.5f, kEe = 0.85f, kOo = 0.15f;

// Octave bass: (step, interval above the root, length in sixteenths). The walking variant
// closes each four-bar turn; the syncopated one drives the bridge.
struct BassStep {
    float step, interval, length;
};
const std::vector<BassStep> kOctaves = {{0, 0, 1.5f},  {2, 12, 1.2f}, {4, 0, 1.5f},
                                        {6, 12, 1.2f}, {8, 0, 1.5f},  {10, 12, 1.2f},
                                        {12, 0, 1.5f}, {14, 12, 1.2f}};
const std::vector<BassStep> kWalk = {{0, 0, 1.5f}, {2, 12, 1.2f}, {4, 0, 1.5f}, {6, 12, 1.2f},
                                     {8, 0, 1.5f}, {10, 12, 1},   {12, 10, 1},  {13, 12, 1},
                                     {14, 7, 1},   {15, 10, 1}};
const std::vector<BassStep> kSyncopated = {{0, 0, 1.5f}, {2, 12, 1},     {3, 12, 0.8f},
                                           {6, 7, 1.2f}, {7, 12, 0.8f},  {8, 0, 1.5f},
                                           {10, 12, 1},  {11, 10, 0.8f}, {14, 12, 1.2f}};

// Arpeggio order over the voicing (0-3) and an octave above it (4-7).
const int kArpOrder[16] = {0, 2, 1, 3, 2, 4, 3, 5, 4, 6, 5, 7, 6, 4, 3, 1};

// Guitar chops on the sixteenths: (step, velocity, palm-muted scratch or full chord).
struct Chop {
    float step, velocity;
    bool scratch;
};
const Chop kChops[] = {{0, 0.35f, true},  {2, 0.9f, false},   {3, 0.45f, true},  {5, 0.35f, true},
                       {6, 0.85f, false}, {8, 0.35f, true},   {10, 0.9f, false}, {11, 0.5f, false},
                       {13, 0.35f, true}, {14, 0.85f, false}, {15, 0.4f, true}};

// Clavinet riff: (step, which note: 0 root, 1-2 from the voicing, 3 the octave, length).
struct Riff {
    float step;
    int note;
    float length;
};
const Riff kClavRiff[] = {{0, 0, 1}, {3, 3, 0.6f},  {4, 1, 1},     {6, 2, 0.6f},
                          {8, 0, 1}, {10, 3, 0.6f}, {11, 1, 0.6f}, {14, 2, 1}};

// Congas: (step, low drum, velocity).
struct Hand {
    float step;
    bool low;
    float velocity;
};
const Hand kCongas[] = {{2, false, 0.7f},  {3, false, 0.45f}, {6, true, 0.8f},
                        {8, false, 0.4f},  {10, false, 0.7f}, {11, false, 0.45f},
                        {12, true, 0.55f}, {14, true, 0.8f},  {15, false, 0.4f}};

float ramp(float at, float from, float to, float a, float b) {
    const float t = (at - from) / (to - from);
    return a + (b - a) * t;
}

class Composer {
  public:
    Score score;

    void drum(Drum d, int bar, float step, float velocity) {
        // Hats and shaker lean back a little on the off-sixteenths: the groove's swing.
        const bool swung = d == Drum::ClosedHat || d == Drum::OpenHat || d == Drum::Shaker ||
                           d == Drum::CongaHigh || d == Drum::CongaLow;
        const float swing = swung && std::fmod(step, 2.0f) == 1.0f ? 0.1f : 0.0f;
        const float at = bar * kStepsPerBar + step + swing;
        score.drums.push_back({d, frameAt(at), humanize(velocity)});
    }
    Note& note(std::vector<Note>& part, int bar, float step, float length, float pitch,
               float velocity, float tone) {
        Note n;
        n.start = frameAt(bar * kStepsPerBar + step);
        n.length = static_cast<int>(frameAt(bar * kStepsPerBar + step + length) - n.start);
        n.pitch = pitch;
        n.velocity = humanize(velocity);
        n.tone = tone;
        part.push_back(n);
        return part.back();
    }
    void bassBar(int bar, const std::vector<BassStep>& pattern, float velocity, float tone,
                 int firstStep = 0, int lastStep = kStepsPerBar) {
        const Chord& chord = chordOf(bar);
        const bool turn = &chord == &kE7 && &pattern == &kOctaves;
        for (const BassStep& b : turn ? kWalk : pattern)
            if (b.step >= firstStep && b.step < lastStep)
                note(score.part(Part::Bass), bar, b.step, b.length, chord.root + b.interval,
                     velocity, tone);
    }
    void padBar(int bar, float velocity, float tone, bool outside) {
        for (int k = 0; k < 4; ++k)
            note(score.part(Part::Pad, outside), bar, 0, kStepsPerBar, voicingOf(bar)[k], velocity,
                 tone);
    }
    void arpBar(int bar, float velocity, float tone, bool outside, int lastStep = kStepsPerBar) {
        const float* voicing = voicingOf(bar);
        for (int step = 0; step < lastStep; ++step) {
            const int k = kArpOrder[step];
            const float pitch = voicing[k % 4] + 12.0f * (k / 4 + 1);
            note(score.part(Part::Arp, outside), bar, static_cast<float>(step), 0.8f, pitch,
                 velocity, tone);
        }
    }
    // The top three notes of the voicing, strummed down on the beat and up off it.
    void guitarBar(int bar, float velocity, float tone) {
        const float* voicing = voicingOf(bar);
        for (const Chop& c : kChops) {
            const bool up = std::fmod(c.step, 2.0f) == 1.0f;
            const float length = c.scratch ? 0.25f : 0.6f;
            for (int s = 0; s < 3; ++s) {
                const int string = up ? 3 - s : 1 + s;
                const float strum = 0.06f * s; // about 7 ms between strings
                note(score.part(Part::Guitar), bar, c.step + strum, length, voicing[string],
                     velocity * c.velocity, c.scratch ? 0.2f * tone : tone);
            }
        }
    }
    void clavBar(int bar, float velocity, float tone) {
        const Chord& chord = chordOf(bar);
        const float* voicing = voicingOf(bar);
        const float notes[4] = {chord.root + 24.0f, voicing[0], voicing[1], chord.root + 36.0f};
        for (const Riff& r : kClavRiff)
            note(score.part(Part::Clav), bar, r.step, r.length, notes[r.note], velocity, tone);
    }
    void brassStab(int bar, float step, float length, float velocity, float tone) {
        for (float pitch : {voicingOf(bar)[1], voicingOf(bar)[2], voicingOf(bar)[3]})
            note(score.part(Part::Brass), bar, step, length, pitch, velocity, tone);
    }
    // Eight sixteenths up the A harmonic minor scale into the next downbeat, from E4 to E5
    // over the E7 that closes each phrase.
    void stringRun(int bar, float velocity, float tone, bool outside = false) {
        static const float kRun[8] = {64, 65, 68, 69, 71, 72, 74, 76};
        for (int k = 0; k < 8; ++k)
            note(score.part(Part::Strings, outside), bar, 8.0f + k, 1.0f, kRun[k],
                 velocity * (0.7f + 0.04f * k), tone);
    }
    void melody(Part part, const Melody& tune, int firstBar, float velocity, float tone,
                float transpose = 0.0f) {
        float lastEnd = -1.0f, lastPitch = 0.0f;
        for (size_t b = 0; b < tune.size(); ++b)
            for (const Phrase& p : tune[b]) {
                const int bar = firstBar + static_cast<int>(b);
                const float at = bar * kStepsPerBar + p.step;
                const float pitch = p.pitch + transpose;
                Note& n =
                    note(score.part(part), bar, p.step, 0.85f * p.length, pitch, velocity, tone);
                // Notes that follow on without a rest slide in from the one before.
                n.glideFrom = at == lastEnd ? lastPitch : 0.0f;
                lastEnd = at + p.length;
                lastPitch = pitch;
            }
    }

  private:
    float humanize(float velocity) { return velocity * (0.92f + 0.08f * rng_.uniform()); }
    Rng rng_{0xD15C0FEEull};
};

// Where the kick plays: every beat, except the breath before the drop (the last two beats
// of bar 19) and the breakdown (from the second beat of bar 33 to the first of bar 38).
bool kickOn(int bar, int beat) {
    if (bar == kDropBar - 1)
        return beat < 2;
    if (bar == kBreakBar)
        return beat == 0;
    if (bar == kReturnBar)
        return beat > 0;
    return !within(bar, kBreakBar, kReturnBar);
}

void drums(Composer& c) {
    for (int bar = 0; bar < kBars; ++bar) {
        const bool city = bar < kDropBar;
        const bool breakdown = within(bar, kBreakBar + 1, kReturnBar);
        for (int beat = 0; beat < 4; ++beat)
            if (kickOn(bar, beat))
                c.drum(Drum::Kick, bar, 4.0f * beat, city ? 0.9f : 1.0f);
        const bool groove = kickOn(bar, 3) && !breakdown;
        // The first beat after the breakdown starts the groove again mid-bar.
        const int from = bar == kReturnBar ? 4 : 0;
        const int to = bar == kDropBar - 1 ? 8 : bar == kBreakBar ? 1 : 16;

        // Clap on two and four: held back in the city, from bar 8.
        if (bar >= 8 && (groove || bar == kReturnBar))
            for (int step : {4, 12})
                if (step >= from && step < to)
                    c.drum(Drum::Clap, bar, step, city ? 0.45f : 0.9f);
        // Hats: open on the off-beats, closed on the other sixteenths; held back until the
        // build, then the disco pattern; out in the percussion break.
        const bool hats = (bar >= 16 && groove && !within(bar, 70, 74)) || bar == kReturnBar;
        if (hats)
            for (int step = from; step < to; ++step) {
                if (step % 4 == 2)
                    c.drum(Drum::OpenHat, bar, step, city ? 0.35f : 0.75f);
                else if (!city)
                    c.drum(Drum::ClosedHat, bar, step, step % 2 ? 0.45f : 0.25f);
            }
        // Shaker sixteenths once the wall opens, soft in the breakdown; a tambourine on two
        // and four, running in sixteenths through the percussion break.
        if (!city && (groove || breakdown || bar == kReturnBar))
            for (int step = from; step < to; ++step) {
                const float accent = step % 4 == 2 ? 0.75f : step % 2 ? 0.55f : 0.4f;
                c.drum(Drum::Shaker, bar, step, breakdown ? 0.6f * accent : accent);
            }
        if (!city && groove) {
            const bool roll = within(bar, 70, 78);
            for (int step = from; step < to; ++step)
                if (step == 4 || step == 12)
                    c.drum(Drum::Tambourine, bar, step, 0.85f);
                else if (roll)
                    c.drum(Drum::Tambourine, bar, step, step % 2 ? 0.4f : 0.3f);
        }
        // Congas: heard through the wall from bar 8, with the hook, in the breakdown, on the
        // bridge and in the percussion break.
        const bool congas = within(bar, 8, 20) || within(bar, 28, 33) || breakdown ||
                            within(bar, 54, 62) || within(bar, 70, 78);
        if (congas)
            for (const Hand& h : kCongas)
                if (h.step >= from && h.step < to)
                    c.drum(h.low ? Drum::CongaLow : Drum::CongaHigh, bar, h.step,
                           city ? 0.8f * h.velocity : h.velocity);
    }
    // Crashes mark the phrases.
    for (int bar : {20, 28, kBreakBar, 46, 54, 62, 70})
        c.drum(Drum::Crash, bar, 0, 0.85f);
    c.drum(Drum::Crash, kReturnBar, 0, 0.9f);
    // Snare rolls into the drops: quarters, eighths, then sixteenths, growing louder.
    for (int bar = 16; bar < 18; ++bar)
        for (int step = 0; step < 16; step += 4)
            c.drum(Drum::Snare, bar, step, ramp(bar * 16 + step, 256, 288, 0.3f, 0.45f));
    for (int step = 0; step < 16; step += 2)
        c.drum(Drum::Snare, 18, step, ramp(step, 0, 16, 0.45f, 0.6f));
    for (int step = 0; step < 8; ++step)
        c.drum(Drum::Snare, 19, step, ramp(step, 0, 8, 0.6f, 0.9f));
    for (int step = 0; step < 16; step += 4)
        c.drum(Drum::Snare, 36, step, 0.35f);
    for (int step = 0; step < 16; step += step < 8 ? 2 : 1)
        c.drum(Drum::Snare, 37, step, ramp(step, 0, 16, 0.4f, 0.85f));
    c.drum(Drum::Snare, kReturnBar, 0, 0.9f);
    // Fills at the ends of phrases; a tom fill into the stop at bar 33.
    for (int bar : {27, 45, 61})
        for (int step = 12; step < 16; ++step)
            c.drum(Drum::Snare, bar, step, ramp(step, 12, 16, 0.5f, 0.8f));
    for (int bar : {32, 53, 69})
        for (int step = 8; step < 16; step += bar == 32 ? 1 : 2)
            c.drum(step < 12 ? Drum::TomHigh : Drum::TomLow, bar, step, 0.8f);
}

void band(Composer& c) {
    Score& s = c.score;
    for (int bar = 0; bar < kBars; ++bar) {
        const bool city = bar < kDropBar;
        // Bass: octaves through the wall, open in the club, walking from 46, syncopated on
        // the bridge; one note on the downbeat that stops the band at bar 33.
        if (city)
            c.bassBar(bar, kOctaves, 0.85f, 0.45f, 0, bar == kDropBar - 1 ? 8 : 16);
        else if (bar == kBreakBar)
            c.bassBar(bar, kOctaves, 0.9f, 0.6f, 0, 1);
        else if (bar == kReturnBar)
            c.bassBar(bar, kOctaves, 0.9f, 0.55f, 4);
        else if (!within(bar, kBreakBar, kReturnBar))
            c.bassBar(bar,
                      within(bar, 54, 62)   ? kSyncopated
                      : within(bar, 46, 54) ? kWalk
                                            : kOctaves,
                      0.9f, bar >= 70 ? 0.5f : 0.6f);

        // Strings: the pad outside in the city, then inside under the groove; full in the
        // breakdown; out in the percussion break; outside again as the wall closes.
        if (city)
            c.padBar(bar, ramp(bar, 0, 20, 0.75f, 0.85f), ramp(bar, 0, 20, 0.12f, 0.25f), true);
        else if (within(bar, kBreakBar, kReturnBar))
            c.padBar(bar, 0.9f, 0.55f, false);
        else if (bar >= 76)
            c.padBar(bar, ramp(bar, 76, 80, 0.5f, 0.75f), ramp(bar, 76, 80, 0.4f, 0.12f), true);
        else if (!within(bar, 70, 76))
            c.padBar(bar, 0.45f, 0.5f, false);

        // Guitar chops through the wall from 8, then in every groove section; wah up on the
        // second drop's variation.
        if (within(bar, 8, 20) || within(bar, 20, kBreakBar) || within(bar, 38, 78))
            c.guitarBar(bar, city ? 0.8f : 0.7f, within(bar, 46, 54) ? 0.85f : 0.45f);
        // Clavinet: in the first drop, the second's hook and the bridge.
        if (within(bar, 20, kBreakBar) || within(bar, 38, 46) || within(bar, 54, 70))
            c.clavBar(bar, 0.7f, 0.6f);
        // The arpeggio: the city's pulse outside from bar 8, the breakdown's shimmer, the
        // walking-bass section and the percussion break.
        if (within(bar, 8, 20))
            c.arpBar(bar, ramp(bar, 8, 20, 0.35f, 0.5f), ramp(bar, 8, 20, 0.05f, 0.15f), true,
                     bar == kDropBar - 1 ? 8 : 16);
        else if (within(bar, kBreakBar, kReturnBar) || within(bar, 46, 54) || within(bar, 70, 76))
            c.arpBar(bar, 0.5f, 0.45f, false);

        // Brass: stabs ending each turn (the "and" of three and four) from the drop on, a
        // riff answering the walking bass, and hits that stop and restart the band.
        if (!city && !within(bar, kBreakBar, kReturnBar) && bar < 76 && bar % 4 == 3) {
            c.brassStab(bar, 10, 1.5f, 0.8f, 0.7f);
            c.brassStab(bar, 14, 2.0f, 0.9f, 0.8f);
        }
        if (within(bar, 46, 54) && bar % 2 == 0)
            for (float step : {0.0f, 3.0f, 6.0f})
                c.brassStab(bar, step, 1.5f, 0.7f, 0.6f);
        // String runs up into each phrase's next downbeat.
        if (bar % 8 == 7 && bar >= 20 && bar < 76)
            c.stringRun(bar, 0.75f, 0.7f);
    }
    c.brassStab(kDropBar, 0, 4, 1.0f, 0.9f);
    c.brassStab(kBreakBar, 0, 6, 1.0f, 0.8f);
    c.brassStab(kReturnBar, 0, 3, 1.0f, 0.9f);
    c.stringRun(kDropBar - 1, 0.8f, 0.6f);
    c.stringRun(kReturnBar - 1, 0.85f, 0.7f);

    // The top line: the vocal hook and its answer, the strings' counter-line beneath, the
    // lead on the bridge.
    c.melody(Part::Vocal, kHook, kDropBar, 0.85f, kAh);
    c.melody(Part::Vocal, kAnswer, kDropBar + 4, 0.85f, kEe);
    c.melody(Part::Vocal, kHook, 34, 0.6f, kOo);
    c.melody(Part::Vocal, kHook, 38, 0.85f, kAh);
    c.melody(Part::Vocal, kAnswer, 42, 0.85f, kEe);
    c.melody(Part::Vocal, kHook, 62, 0.85f, kAh);
    c.melody(Part::Vocal, kAnswer, 66, 0.85f, kEe);
    for (int bar : {28, 38, 42, 62, 66})
        c.melody(Part::Strings, kCounter, bar, 0.55f, 0.5f);
    c.melody(Part::Lead, kBridgeTune, 54, 0.8f, 0.6f);
    c.melody(Part::Lead, kBridgeTune, 58, 0.85f, 0.7f);

    c.note(s.part(Part::Riser), 16, 0, 4 * kStepsPerBar, 0, 1.0f, 1.0f);
    c.note(s.part(Part::Riser), 36, 0, 2 * kStepsPerBar, 0, 0.8f, 1.0f);
}

} // namespace

Score compose() {
    Composer c;
    drums(c);
    band(c);
    return std::move(c.score);
}

float wallCutoff(double bar) {
    // Closed at 240 Hz, creeping open as the camera nears the club, wide open from the drop,
    // closing again over the last four bars.
    auto sweep = [](double at, double from, double to, double a, double b) {
        return static_cast<float>(a * std::pow(b / a, (at - from) / (to - from)));
    };
    if (bar < 8)
        return 240.0f;
    if (bar < 16)
        return sweep(bar, 8, 16, 240, 330);
    if (bar < kDropBar)
        return sweep(bar, 16, kDropBar, 330, 600);
    if (bar < 76)
        return 0.0f;
    return sweep(bar, 76, kBars, 18000, 240);
}

} // namespace gen::music

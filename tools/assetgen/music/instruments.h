// The pitched instruments. Each renders one note into a stereo buffer that starts at the
// note's first frame and runs on through the release until the voice is silent.
#pragma once

#include <cstdint>

#include "music/signal.h"

namespace gen::music {

// One note of a part. Times in frames from the start of the loop.
struct Note {
    std::int64_t start = 0; // first frame
    int length = 0;         // frames the key is held
    float pitch = 69.0f;    // MIDI note number
    float velocity = 1.0f;  // 0..1, linear amplitude
    float tone = 0.5f;      // 0..1, how far the filter opens
    float glideFrom = 0.0f; // lead only: the pitch it slides from (0: none)
};

// Octave disco bass: saw and square through a resonant lowpass plucked by an envelope,
// with a sine at the fundamental for weight. Mono (both channels equal).
void renderBass(const Note& note, Stereo& out);
// A short chord-stab voice: two detuned saws, one per side, with a filter snap.
void renderStab(const Note& note, Stereo& out);
// A slow string pad: three detuned saws spread across the stereo field, softly filtered.
void renderPad(const Note& note, Stereo& out);
// A bright, short pluck for arpeggios: pulse and saw with a fast filter decay.
void renderPluck(const Note& note, Stereo& out);
// The lead: saws with a sub-octave pulse, glide from `glideFrom`, delayed vibrato.
void renderLead(const Note& note, Stereo& out);
// A muted funk guitar chop: a plucked string (Karplus-Strong) damped by the palm, through a
// wah-like bandpass that `tone` moves up. Mono.
void renderGuitar(const Note& note, Stereo& out);
// A clavinet: a narrow pulse with a fast-closing filter and a thin, percussive body. Mono.
void renderClav(const Note& note, Stereo& out);
// A brass section stab: detuned saws that scoop up into the pitch, with the filter blat of a
// horn's attack; left and right players are detuned against each other.
void renderBrass(const Note& note, Stereo& out);
// A string section for runs and lines: six detuned, vibrating saws, three a side, with an
// attack that scales with the note's length.
void renderStrings(const Note& note, Stereo& out);
// A vocal-like voice: a buzzing source through three formant filters. `tone` picks the vowel
// from "oo" (0) over "ah" (0.5) to "ee" (1); every note opens from "oo", like a sung "wah".
// Glides from `glideFrom` like the lead. Mono.
void renderVocal(const Note& note, Stereo& out);
// A noise riser: a bandpass sweeping up from 300 Hz to 9 kHz over the held length while the
// level swells; cut with a short fade at the end of the note (the downbeat it leads into).
void renderRiser(const Note& note, Stereo& out);

} // namespace gen::music

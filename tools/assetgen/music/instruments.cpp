// Instrument voices.
#include "music/instruments.h"

#include <algorithm>

#include "music/envelopes.h"
#include "music/filters.h"
#include "music/oscillators.h"

namespace gen::music {

namespace {

// Filter coefficients cost a tangent: they follow their sweep every few samples only.
constexpr int kControlPeriod = 8;
// No voice rings longer than this after its key is released.
constexpr float kLongestTail = 3.0f;

float cents(float c) {
    return std::exp2(c / 1200.0f);
}

// Runs `sample(i, held)` -> (left, right) until the amplitude envelope is silent after the
// key is released at note.length; writes the result to out.
template <class Sample> void play(const Note& note, Envelope amp, Stereo& out, Sample sample) {
    out.left.clear();
    out.right.clear();
    const size_t cap = static_cast<size_t>(note.length) + secondsToFrames(kLongestTail);
    out.left.reserve(cap);
    out.right.reserve(cap);
    for (size_t i = 0; i < cap && !amp.done(); ++i) {
        if (i == static_cast<size_t>(note.length))
            amp.release();
        const float a = amp.next() * note.velocity;
        float l, r;
        sample(i, l, r);
        out.left.push_back(a * l);
        out.right.push_back(a * r);
    }
}

} // namespace

void renderBass(const Note& note, Stereo& out) {
    Oscillator saw, square, sub;
    Svf filter;
    const float hz = midiToHz(note.pitch);
    const float snapFall = decayCoefficient(0.09f);
    float snap = 1.0f;
    play(note, Envelope(0.002f, 0.25f, 0.75f, 0.025f), out, [&](size_t i, float& l, float& r) {
        if (i % kControlPeriod == 0)
            filter.set(110.0f + note.tone * (250.0f + 2200.0f * snap), 2.2f);
        snap *= snapFall;
        const float raw = 0.5f * saw.saw(hz) + 0.5f * square.pulse(hz * 1.003f, 0.5f);
        l = r = 0.7f * filter.lowpass(raw) + 0.5f * sub.sine(hz);
    });
}

void renderStab(const Note& note, Stereo& out) {
    Oscillator a, b;
    a.phase = 0.13f;
    b.phase = 0.61f;
    Svf fl, fr;
    const float hz = midiToHz(note.pitch);
    const float snapFall = decayCoefficient(0.12f);
    float snap = 1.0f;
    play(note, Envelope(0.003f, 0.22f, 0.55f, 0.08f), out, [&](size_t i, float& l, float& r) {
        if (i % kControlPeriod == 0) {
            const float cutoff = 500.0f + note.tone * (1200.0f + 4500.0f * snap);
            fl.set(cutoff, 1.1f);
            fr.set(cutoff, 1.1f);
        }
        snap *= snapFall;
        const float x = a.saw(hz * cents(-7.0f));
        const float y = b.saw(hz * cents(7.0f));
        l = fl.lowpass(0.75f * x + 0.25f * y);
        r = fr.lowpass(0.25f * x + 0.75f * y);
    });
}

void renderPad(const Note& note, Stereo& out) {
    Oscillator osc[3];
    const float detune[3] = {cents(-11.0f), cents(0.0f), cents(10.0f)};
    for (int k = 0; k < 3; ++k)
        osc[k].phase = 0.29f * k + 0.05f * std::fmod(note.pitch, 7.0f);
    Svf fl, fr;
    const float hz = midiToHz(note.pitch);
    const float cutoff = 450.0f + note.tone * 3800.0f;
    fl.set(cutoff, 0.8f);
    fr.set(cutoff * 1.08f, 0.8f);
    play(note, Envelope(0.45f, 1.2f, 0.8f, 0.35f), out, [&](size_t, float& l, float& r) {
        const float s0 = osc[0].saw(hz * detune[0]);
        const float s1 = osc[1].saw(hz * detune[1]);
        const float s2 = osc[2].saw(hz * detune[2]);
        l = fl.lowpass(0.6f * s0 + 0.4f * s1 + 0.15f * s2);
        r = fr.lowpass(0.15f * s0 + 0.4f * s1 + 0.6f * s2);
    });
}

void renderPluck(const Note& note, Stereo& out) {
    Oscillator pulse, saw;
    Svf filter;
    const float hz = midiToHz(note.pitch);
    const float snapFall = decayCoefficient(0.07f);
    float snap = 1.0f;
    play(note, Envelope(0.002f, 0.16f, 0.0f, 0.05f), out, [&](size_t i, float& l, float& r) {
        if (i % kControlPeriod == 0)
            filter.set(250.0f + note.tone * 6000.0f * snap, 1.6f);
        snap *= snapFall;
        l = r = filter.lowpass(0.7f * pulse.pulse(hz, 0.35f) + 0.3f * saw.saw(hz * cents(5.0f)));
    });
}

void renderLead(const Note& note, Stereo& out) {
    Oscillator a, b, sub, vibrato;
    b.phase = 0.5f;
    Svf fl, fr;
    const float glideFall = decayCoefficient(0.035f);
    float glide = note.glideFrom > 0.0f ? note.glideFrom - note.pitch : 0.0f;
    const float snapFall = decayCoefficient(0.25f);
    float snap = 1.0f;
    const int vibratoDelay = secondsToFrames(0.22f);
    play(note, Envelope(0.008f, 0.5f, 0.75f, 0.12f), out, [&](size_t i, float& l, float& r) {
        const float depth =
            std::clamp((static_cast<float>(i) - vibratoDelay) / 12000.0f, 0.0f, 1.0f);
        const float pitch = note.pitch + glide + 0.16f * depth * vibrato.sine(5.6f);
        glide *= glideFall;
        const float hz = midiToHz(pitch);
        if (i % kControlPeriod == 0) {
            const float cutoff = 900.0f + note.tone * (3000.0f + 3000.0f * snap);
            fl.set(cutoff, 1.2f);
            fr.set(cutoff, 1.2f);
        }
        snap *= snapFall;
        const float x = a.saw(hz * cents(-6.0f));
        const float y = b.saw(hz * cents(6.0f));
        const float s = 0.35f * sub.pulse(0.5f * hz, 0.5f);
        l = fl.lowpass(0.7f * x + 0.3f * y + s);
        r = fr.lowpass(0.3f * x + 0.7f * y + s);
    });
}

void renderRiser(const Note& note, Stereo& out) {
    Noise nl(0x51A7), nr(0x7E22);
    Svf fl, fr;
    const float length = static_cast<float>(std::max(1, note.length));
    const int fade = secondsToFrames(0.02f);
    out.left.assign(static_cast<size_t>(note.length), 0.0f);
    out.right.assign(static_cast<size_t>(note.length), 0.0f);
    for (int i = 0; i < note.length; ++i) {
        const float t = static_cast<float>(i) / length;
        if (i % kControlPeriod == 0) {
            const float hz = 300.0f * std::pow(30.0f, t);
            fl.set(hz, 2.5f);
            fr.set(hz * 1.1f, 2.5f);
        }
        float a = note.velocity * t * t;
        a *= std::min(1.0f, static_cast<float>(note.length - i) / fade);
        a *= std::min(1.0f, static_cast<float>(i) / fade);
        out.left[i] = a * fl.bandpass(nl.next());
        out.right[i] = a * fr.bandpass(nr.next());
    }
}

} // namespace gen::music

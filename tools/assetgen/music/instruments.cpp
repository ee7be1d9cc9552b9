// Instrument voices.
#include "music/instruments.h"

#include <algorithm>
#include <vector>

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

void renderGuitar(const Note& note, Stereo& out) {
    const float hz = midiToHz(note.pitch);
    // The string: a delay line of one period, excited by a short burst of filtered noise,
    // averaged on every pass (which darkens it) and damped harder once the palm mutes it.
    const float period = kSampleRate / hz;
    const size_t length = static_cast<size_t>(period) + 2;
    std::vector<float> line(length, 0.0f);
    Noise noise(0x6A17u + static_cast<std::uint32_t>(note.pitch * 100.0f));
    OnePole pick;
    pick.set(1500.0f + 5000.0f * note.tone);
    for (size_t i = 0; i < length; ++i)
        line[i] = pick.lowpass(noise.next());
    const float frac = period - std::floor(period);
    Svf wah, body;
    wah.set(700.0f + 1800.0f * note.tone, 2.0f);
    body.set(250.0f, 0.7f);
    size_t pos = 0;
    float last = 0.0f;
    play(note, Envelope(0.001f, 0.08f, 0.4f, 0.02f), out, [&](size_t i, float& l, float& r) {
        const float damping = i < static_cast<size_t>(note.length) ? 0.996f : 0.9f;
        const size_t next = pos + 1 == length ? 0 : pos + 1;
        // Reads one period back with linear interpolation for the fractional part.
        const size_t back = (pos + length - static_cast<size_t>(period)) % length;
        const size_t back2 = (back + length - 1) % length;
        const float delayed = (1.0f - frac) * line[back] + frac * line[back2];
        const float y = damping * 0.5f * (delayed + last);
        last = delayed;
        line[pos] = y;
        pos = next;
        const Svf::Taps w = wah.process(y);
        l = r = body.highpass(0.7f * w.band * 2.0f + 0.3f * y);
    });
}

void renderClav(const Note& note, Stereo& out) {
    Oscillator pulse, saw;
    Svf filter, thin;
    thin.set(180.0f, 0.7f);
    const float hz = midiToHz(note.pitch);
    const float snapFall = decayCoefficient(0.05f);
    float snap = 1.0f;
    play(note, Envelope(0.001f, 0.18f, 0.3f, 0.03f), out, [&](size_t i, float& l, float& r) {
        if (i % kControlPeriod == 0)
            filter.set(400.0f + note.tone * (1500.0f + 5500.0f * snap), 2.5f);
        snap *= snapFall;
        const float raw = 0.75f * pulse.pulse(hz, 0.22f) + 0.25f * saw.saw(2.0f * hz);
        l = r = thin.highpass(filter.lowpass(raw));
    });
}

void renderBrass(const Note& note, Stereo& out) {
    Oscillator a, b, c, d;
    b.phase = 0.37f;
    c.phase = 0.71f;
    d.phase = 0.2f;
    Svf fl, fr;
    const float scoopFall = decayCoefficient(0.03f);
    float scoop = -0.7f; // semitones below the note at the attack
    const int blatFrames = secondsToFrames(0.025f);
    const float blatFall = decayCoefficient(0.12f);
    float blat = 1.0f;
    play(note, Envelope(0.012f, 0.25f, 0.7f, 0.09f), out, [&](size_t i, float& l, float& r) {
        const float hz = midiToHz(note.pitch + scoop);
        scoop *= scoopFall;
        // The filter opens over the first 25 ms, then settles back: the horn's blat.
        const float open = static_cast<int>(i) < blatFrames
                               ? static_cast<float>(i) / static_cast<float>(blatFrames)
                               : (blat *= blatFall);
        if (i % kControlPeriod == 0) {
            const float cutoff = 700.0f + note.tone * (1200.0f + 3800.0f * open);
            fl.set(cutoff, 1.3f);
            fr.set(cutoff * 1.05f, 1.3f);
        }
        const float left = 0.6f * a.saw(hz * cents(-9.0f)) + 0.4f * b.saw(hz * cents(4.0f));
        const float right = 0.6f * c.saw(hz * cents(8.0f)) + 0.4f * d.saw(hz * cents(-3.0f));
        l = fl.lowpass(left);
        r = fr.lowpass(right);
    });
}

void renderStrings(const Note& note, Stereo& out) {
    static const float kDetune[6] = {-13.0f, -4.0f, 7.0f, -8.0f, 3.0f, 12.0f};
    static const float kRates[6] = {5.1f, 5.7f, 4.8f, 5.4f, 6.0f, 5.0f};
    Oscillator osc[6], vibrato[6];
    for (int k = 0; k < 6; ++k) {
        osc[k].phase = 0.17f * k;
        vibrato[k].phase = 0.29f * k;
    }
    Svf fl, fr, hl, hr;
    const float cutoff = 1400.0f + note.tone * 6000.0f;
    fl.set(cutoff, 0.7f);
    fr.set(cutoff * 1.06f, 0.7f);
    hl.set(220.0f, 0.7f);
    hr.set(240.0f, 0.7f);
    const float hz = midiToHz(note.pitch);
    float ratio[6];
    for (int k = 0; k < 6; ++k)
        ratio[k] = cents(kDetune[k]);
    const float seconds = static_cast<float>(note.length) / kSampleRate;
    const float attack = std::clamp(0.3f * seconds, 0.01f, 0.35f);
    play(note, Envelope(attack, 1.5f, 0.85f, 0.3f), out, [&](size_t, float& l, float& r) {
        float side[2] = {0.0f, 0.0f};
        for (int k = 0; k < 6; ++k) {
            const float wobble = 1.0f + 0.0025f * vibrato[k].sine(kRates[k]);
            side[k / 3] += osc[k].saw(hz * ratio[k] * wobble);
        }
        l = hl.highpass(fl.lowpass(0.4f * side[0]));
        r = hr.highpass(fr.lowpass(0.4f * side[1]));
    });
}

void renderVocal(const Note& note, Stereo& out) {
    // Formant centres (Hz) and levels of three vowels: "oo", "ah", "ee".
    struct Vowel {
        float f[3], g[3];
    };
    static const Vowel kOo{{320.0f, 870.0f, 2250.0f}, {1.0f, 0.35f, 0.12f}};
    static const Vowel kAh{{730.0f, 1100.0f, 2450.0f}, {1.0f, 0.6f, 0.3f}};
    static const Vowel kEe{{290.0f, 2250.0f, 3000.0f}, {0.6f, 0.8f, 0.5f}};
    const float t = std::clamp(note.tone, 0.0f, 1.0f);
    const Vowel& from = t < 0.5f ? kOo : kAh;
    const Vowel& to = t < 0.5f ? kAh : kEe;
    const float mixTo = t < 0.5f ? 2.0f * t : 2.0f * t - 1.0f;
    Vowel target;
    for (int k = 0; k < 3; ++k) {
        target.f[k] = from.f[k] + (to.f[k] - from.f[k]) * mixTo;
        target.g[k] = from.g[k] + (to.g[k] - from.g[k]) * mixTo;
    }
    Oscillator source, vibrato;
    Noise breath(0xB4EA7u);
    Svf formant[3];
    const float glideFall = decayCoefficient(0.04f);
    float glide = note.glideFrom > 0.0f ? note.glideFrom - note.pitch : 0.0f;
    const float openFall = decayCoefficient(0.06f);
    float closed = 1.0f; // 1: still "oo", 0: the vowel reached
    const int vibratoDelay = secondsToFrames(0.18f);
    play(note, Envelope(0.02f, 0.4f, 0.8f, 0.1f), out, [&](size_t i, float& l, float& r) {
        const float depth =
            std::clamp((static_cast<float>(i) - vibratoDelay) / 8000.0f, 0.0f, 1.0f);
        const float hz = midiToHz(note.pitch + glide + 0.25f * depth * vibrato.sine(5.3f));
        glide *= glideFall;
        closed *= openFall;
        if (i % kControlPeriod == 0)
            for (int k = 0; k < 3; ++k)
                formant[k].set(target.f[k] + (kOo.f[k] - target.f[k]) * closed, 6.0f + 2.0f * k);
        const float buzz = source.saw(hz) + 0.06f * breath.next();
        // The bandpass taps peak at Q times the input: k (1/Q) brings each to unity.
        float voice = 0.0f;
        for (int k = 0; k < 3; ++k)
            voice += (target.g[k] + (kOo.g[k] - target.g[k]) * closed) * formant[k].k *
                     formant[k].bandpass(buzz);
        l = r = 1.5f * voice;
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

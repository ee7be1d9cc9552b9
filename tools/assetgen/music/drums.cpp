// Drum synthesis.
#include "music/drums.h"

#include <algorithm>
#include <cmath>

#include "music/envelopes.h"
#include "music/filters.h"
#include "music/oscillators.h"

namespace gen::music {

namespace {

// Scales to the given peak and fades the last few milliseconds to exact silence, so a hit
// never ends on a step.
Hit finish(Hit hit, float peak) {
    float largest = 0.0f;
    for (float s : hit)
        largest = std::max(largest, std::fabs(s));
    const float scale = largest > 0.0f ? peak / largest : 0.0f;
    const size_t fade = std::min<size_t>(hit.size(), secondsToFrames(0.006f));
    for (size_t i = 0; i < hit.size(); ++i) {
        float g = scale;
        const size_t left = hit.size() - 1 - i;
        if (left < fade)
            g *= 0.5f - 0.5f * std::cos(kPi * static_cast<float>(left) / fade);
        hit[i] *= g;
    }
    return hit;
}

// A short linear fade-in that keeps a hit's first sample at zero.
float onset(size_t i, float seconds) {
    return std::min(1.0f, static_cast<float>(i) / (seconds * kSampleRate));
}

} // namespace

Hit kick() {
    Hit hit(secondsToFrames(0.45f));
    Oscillator body;
    Noise noise(0x4B1C);
    OnePole clickTone;
    clickTone.set(3000.0f);
    const float pitchFall = decayCoefficient(0.028f);
    const float ampFall = decayCoefficient(0.12f);
    float sweep = 1.0f, amp = 1.0f, click = 1.0f;
    const float clickFall = decayCoefficient(0.003f);
    for (size_t i = 0; i < hit.size(); ++i) {
        const float hz = 55.0f + 140.0f * sweep;
        sweep *= pitchFall;
        amp *= ampFall;
        click *= clickFall;
        // Saturation squares the sine a little: a denser, punchier body.
        const float tone = std::tanh(1.8f * body.sine(hz));
        hit[i] = onset(i, 0.0008f) * (amp * tone + 0.35f * click * clickTone.lowpass(noise.next()));
    }
    return finish(std::move(hit), 1.0f);
}

Hit clap(std::uint32_t seed) {
    Hit hit(secondsToFrames(0.35f));
    Noise noise(seed);
    Svf band;
    band.set(1300.0f, 1.4f);
    const int burst = secondsToFrames(0.0105f);
    const float burstFall = decayCoefficient(0.004f);
    const float tailFall = decayCoefficient(0.055f);
    float tail = 1.0f;
    for (size_t i = 0; i < hit.size(); ++i) {
        const int n = static_cast<int>(i);
        float amp;
        if (n < 3 * burst) {
            amp = std::pow(burstFall, static_cast<float>(n % burst)) * 0.9f;
        } else {
            tail *= tailFall;
            amp = tail;
        }
        hit[i] = onset(i, 0.0005f) * amp * band.bandpass(noise.next());
    }
    return finish(std::move(hit), 1.0f);
}

Hit snare(std::uint32_t seed) {
    Hit hit(secondsToFrames(0.3f));
    Oscillator low, high;
    Noise noise(seed);
    Svf rattle, top;
    rattle.set(3600.0f, 0.6f);
    top.set(9000.0f, 0.7f);
    const float toneFall = decayCoefficient(0.05f);
    const float noiseFall = decayCoefficient(0.07f);
    float tone = 1.0f, hiss = 1.0f;
    for (size_t i = 0; i < hit.size(); ++i) {
        tone *= toneFall;
        hiss *= noiseFall;
        const float body = 0.6f * low.sine(185.0f) + 0.4f * high.sine(331.0f);
        const Svf::Taps r = rattle.process(noise.next());
        const float wires = top.lowpass(0.9f * r.band + 0.35f * r.high);
        hit[i] = onset(i, 0.0006f) * (0.7f * tone * body + 1.5f * hiss * wires);
    }
    return finish(std::move(hit), 1.0f);
}

Hit hat(std::uint32_t seed, float seconds) {
    static const float kRatios[6] = {1.0f, 1.4827f, 1.8003f, 2.5460f, 2.6303f, 3.8967f};
    Hit hit(secondsToFrames(std::max(0.05f, seconds * 7.0f)));
    Oscillator partials[6];
    Noise noise(seed);
    for (int p = 0; p < 6; ++p)
        partials[p].phase = noise.next() * 0.5f + 0.5f;
    Svf air, air2, top;
    air.set(5800.0f, 0.8f);
    air2.set(5800.0f, 0.8f);
    top.set(14000.0f, 0.7f);
    const float fall = decayCoefficient(seconds);
    float amp = 1.0f;
    for (size_t i = 0; i < hit.size(); ++i) {
        float metal = 0.0f;
        for (int p = 0; p < 6; ++p)
            metal += partials[p].pulse(540.0f * kRatios[p], 0.5f);
        amp *= fall;
        const float x = 0.12f * metal + 0.6f * noise.next();
        hit[i] = onset(i, 0.0004f) * amp * top.lowpass(air2.highpass(air.highpass(x)));
    }
    return finish(std::move(hit), 1.0f);
}

Hit crash(std::uint32_t seed) {
    static const float kRatios[6] = {1.0f, 1.3420f, 1.7317f, 2.2360f, 2.8319f, 3.3151f};
    Hit hit(secondsToFrames(2.2f));
    Oscillator partials[6];
    Noise noise(seed);
    Svf air, top;
    air.set(4200.0f, 0.7f);
    top.set(13000.0f, 0.7f);
    const float fall = decayCoefficient(0.55f);
    float amp = 1.0f;
    for (size_t i = 0; i < hit.size(); ++i) {
        float metal = 0.0f;
        for (int p = 0; p < 6; ++p)
            metal += partials[p].pulse(611.0f * kRatios[p], 0.5f);
        amp *= fall;
        const float x = 0.08f * metal + 0.7f * noise.next();
        hit[i] = onset(i, 0.004f) * amp * top.lowpass(air.highpass(x));
    }
    return finish(std::move(hit), 1.0f);
}

Hit tom(float hz) {
    Hit hit(secondsToFrames(0.5f));
    Oscillator body;
    const float pitchFall = decayCoefficient(0.06f);
    const float ampFall = decayCoefficient(0.14f);
    float sweep = 1.0f, amp = 1.0f;
    for (size_t i = 0; i < hit.size(); ++i) {
        sweep *= pitchFall;
        amp *= ampFall;
        hit[i] = onset(i, 0.001f) * amp * body.sine(hz * (1.0f + 0.6f * sweep));
    }
    return finish(std::move(hit), 1.0f);
}

Hit shaker(std::uint32_t seed) {
    Hit hit(secondsToFrames(0.12f));
    Noise noise(seed);
    Svf band, floor;
    band.set(5200.0f, 1.0f);
    floor.set(3000.0f, 0.7f);
    const float attack = 0.006f * kSampleRate;
    const float fall = decayCoefficient(0.028f);
    float amp = 1.0f;
    for (size_t i = 0; i < hit.size(); ++i) {
        const float t = static_cast<float>(i);
        if (t >= attack)
            amp *= fall;
        // Beads landing: the grain swells in over a few milliseconds instead of striking.
        const float swell = std::min(1.0f, t / attack);
        hit[i] = swell * swell * amp * floor.highpass(band.bandpass(noise.next()));
    }
    return finish(std::move(hit), 1.0f);
}

Hit tambourine(std::uint32_t seed) {
    static const float kJingles[5] = {5300.0f, 6750.0f, 7900.0f, 9400.0f, 11100.0f};
    static const float kStrikes[3] = {0.0f, 0.009f, 0.021f}; // seconds: the jingles settle
    Hit hit(secondsToFrames(0.3f));
    Oscillator partials[5];
    Noise noise(seed);
    for (Oscillator& p : partials)
        p.phase = noise.next() * 0.5f + 0.5f;
    Svf air;
    air.set(5000.0f, 0.7f);
    const float fall = decayCoefficient(0.07f);
    for (size_t i = 0; i < hit.size(); ++i) {
        const float t = static_cast<float>(i) / kSampleRate;
        float amp = 0.0f;
        for (int s = 0; s < 3; ++s)
            if (t >= kStrikes[s])
                amp += (1.0f - 0.3f * s) * std::pow(fall, (t - kStrikes[s]) * kSampleRate);
        float ring = 0.0f;
        for (int p = 0; p < 5; ++p)
            ring += partials[p].sine(kJingles[p] * (1.0f + 0.002f * p));
        const float hiss = air.highpass(noise.next());
        hit[i] = onset(i, 0.0005f) * amp * (0.25f * ring + 0.8f * hiss);
    }
    return finish(std::move(hit), 1.0f);
}

Hit conga(float hz, std::uint32_t seed) {
    Hit hit(secondsToFrames(0.4f));
    Oscillator skin, overtone;
    Noise noise(seed);
    Svf slapTone;
    slapTone.set(1800.0f, 1.2f);
    const float bendFall = decayCoefficient(0.02f);
    const float bodyFall = decayCoefficient(0.11f);
    const float overFall = decayCoefficient(0.04f);
    const float slapFall = decayCoefficient(0.006f);
    float bend = 1.0f, body = 1.0f, over = 1.0f, slap = 1.0f;
    for (size_t i = 0; i < hit.size(); ++i) {
        bend *= bendFall;
        body *= bodyFall;
        over *= overFall;
        slap *= slapFall;
        const float f = hz * (1.0f + 0.08f * bend);
        const float tone = body * skin.sine(f) + 0.45f * over * overtone.sine(1.59f * f);
        hit[i] = onset(i, 0.0008f) * (tone + 0.5f * slap * slapTone.bandpass(noise.next()));
    }
    return finish(std::move(hit), 1.0f);
}

} // namespace gen::music

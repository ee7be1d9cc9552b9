// Oscillators: band-limited saw and pulse (polyBLEP), sine and white noise.
// Phase runs 0..1 per cycle; frequencies in Hz at kSampleRate, below half of it.
// Outputs span [-1, 1] (a narrow pulse a little more, to keep its mean at zero); the BLEP
// corrections overshoot by a few percent near the edges.
#pragma once

#include <cstdint>

#include "music/signal.h"

namespace gen::music {

// The residual of a band-limited step at a discontinuity of height 2 at phase 0:
// t is the phase (0..1), dt the phase increment per sample. Zero away from the edge.
inline float polyBlep(float t, float dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

struct Oscillator {
    float phase = 0.0f; // 0..1

    // Each call returns the current sample and advances by one sample at `hz`.
    float saw(float hz) {
        const float dt = hz / kSampleRate;
        const float out = 2.0f * phase - 1.0f - polyBlep(phase, dt);
        advance(dt);
        return out;
    }
    // High for the first `width` (0..1) of the cycle, low for the rest, two apart and
    // shifted to a zero mean, so that a narrow pulse carries no DC into the envelope.
    float pulse(float hz, float width) {
        const float dt = hz / kSampleRate;
        float falling = phase - width;
        if (falling < 0.0f)
            falling += 1.0f;
        const float naive = phase < width ? 1.0f : -1.0f;
        const float out =
            naive + (1.0f - 2.0f * width) + polyBlep(phase, dt) - polyBlep(falling, dt);
        advance(dt);
        return out;
    }
    float sine(float hz) {
        const float out = std::sin(2.0f * kPi * phase);
        advance(hz / kSampleRate);
        return out;
    }

  private:
    void advance(float dt) {
        phase += dt;
        if (phase >= 1.0f)
            phase -= 1.0f;
    }
};

// White noise in [-1, 1), xorshift32 from a fixed seed.
struct Noise {
    std::uint32_t state;
    explicit Noise(std::uint32_t seed) : state(seed ? seed : 0x1234567u) {}
    float next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(state >> 8) * (2.0f / 16777216.0f) - 1.0f;
    }
};

} // namespace gen::music

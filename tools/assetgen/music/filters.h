// Filters: a state-variable filter for voices, one-pole smoothers and the biquad used by
// the loudness meter. Cutoffs in Hz at kSampleRate.
#pragma once

#include <algorithm>

#include "music/signal.h"

namespace gen::music {

// Trapezoidal (zero-delay feedback) state-variable filter: one state gives lowpass,
// bandpass and highpass taps; it stays stable while the cutoff moves every sample.
// `q` 0.5..20: 0.707 is flat (Butterworth), higher values ring at the cutoff.
struct Svf {
    struct Taps {
        float low, band, high;
    };

    void set(float hz, float q) {
        const float fc = std::clamp(hz, 10.0f, 0.45f * kSampleRate);
        const float g = std::tan(kPi * fc / kSampleRate);
        k = 1.0f / q;
        a1 = 1.0f / (1.0f + g * (g + k));
        a2 = g * a1;
        a3 = g * a2;
    }
    Taps process(float x) {
        const float v3 = x - ic2;
        const float v1 = a1 * ic1 + a2 * v3;
        const float v2 = ic2 + a2 * ic1 + a3 * v3;
        ic1 = 2.0f * v1 - ic1;
        ic2 = 2.0f * v2 - ic2;
        return {v2, v1, x - k * v1 - v2};
    }
    float lowpass(float x) { return process(x).low; }
    float highpass(float x) { return process(x).high; }
    float bandpass(float x) { return process(x).band; }

    float k = 1.414f, a1 = 0.0f, a2 = 0.0f, a3 = 0.0f;
    float ic1 = 0.0f, ic2 = 0.0f;
};

// First-order lowpass y += a (x - y); highpass is the input minus that.
struct OnePole {
    void set(float hz) { a = 1.0f - std::exp(-2.0f * kPi * hz / kSampleRate); }
    float lowpass(float x) { return y += a * (x - y); }
    float highpass(float x) { return x - lowpass(x); }

    float a = 1.0f, y = 0.0f;
};

// Second-order section in transposed direct form II, in double precision for long sums.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double z1 = 0, z2 = 0;

    double process(double x) {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

} // namespace gen::music

// Units shared by the synthesiser: 44.1 kHz, float samples, full scale at +-1.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gen::music {

constexpr int kSampleRate = 44100;
constexpr float kPi = 3.14159265358979f;

// Equal temperament, MIDI note 69 (A4) at 440 Hz; fractional notes glide between.
inline float midiToHz(float note) {
    return 440.0f * std::exp2((note - 69.0f) / 12.0f);
}
inline float dbToGain(float db) {
    return std::pow(10.0f, db / 20.0f);
}
inline float gainToDb(float gain) {
    return 20.0f * std::log10(gain);
}
inline int secondsToFrames(float seconds) {
    return static_cast<int>(std::lround(seconds * kSampleRate));
}

// Two channels of equal length, in frames (one sample per channel).
struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(size_t frames = 0) : left(frames), right(frames) {}
    size_t frames() const { return left.size(); }
};

} // namespace gen::music

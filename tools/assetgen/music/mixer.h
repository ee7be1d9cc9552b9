// The mixer: voices summed into one loop with level, pan, effect sends and the kick's
// sidechain pump; then the effect returns, loudness normalisation and a look-ahead limiter
// that keeps every sample below the ceiling.
#pragma once

#include <cstdint>
#include <vector>

#include "music/signal.h"

namespace gen::music {

// How a voice sits in the mix.
struct Channel {
    float gain = 1.0f;   // linear
    float pan = 0.0f;    // -1 (left) .. +1 (right); the centre leaves both sides at full level
    float reverb = 0.0f; // send to the reverb, linear
    float delay = 0.0f;  // send to the ping-pong delay, linear
    float duck = 0.0f;   // 0..1: how far the sidechain pulls the voice down under each kick
};

// One loop being mixed; every frame index wraps, so a voice that rings past the loop's end
// continues at its beginning.
class Mix {
  public:
    explicit Mix(size_t frames);
    size_t frames() const { return dry_.frames(); }

    // A kick at `frame`: ducked voices dip under it. Mark every kick before adding voices.
    void pump(std::int64_t frame);
    // The sidechain gain (0..1) that a voice with duck 1 gets at `frame`.
    float pumpLevel(std::int64_t frame) const { return 1.0f - pump_[wrap(frame)]; }

    void add(const Stereo& voice, std::int64_t start, const Channel& channel);
    void add(const std::vector<float>& mono, std::int64_t start, const Channel& channel);

    // The dry sum plus the echo (delay of `delayFrames`, `feedback`) and the reverb returns
    // at the given linear levels.
    Stereo master(int delayFrames, float feedback, float delayLevel, float reverbLevel) const;

  private:
    size_t wrap(std::int64_t frame) const;
    template <class Source>
    void addFrames(size_t count, std::int64_t start, const Channel& channel, Source source);

    Stereo dry_, reverbSend_;
    std::vector<float> delaySend_;
    std::vector<float> pump_; // 0..1 depth of the sidechain dip
};

// Integrated loudness in LUFS (ITU-R BS.1770: K-weighting, 400 ms blocks overlapping by
// 75 %, absolute gate at -70 LUFS and relative gate 10 LU below the ungated mean).
// -70 or less for silence.
double integratedLoudness(const Stereo& pcm);

// The gain (0..1 per frame) a look-ahead limiter applies to the loop: no frame's peak times
// its gain exceeds `ceiling`; the gain falls over `lookahead` seconds before a peak (never
// faster than 1/lookahead-frames per frame) and recovers exponentially over `release`
// seconds; it is 1 wherever the signal stays below the ceiling long enough. The loop's end
// carries on into its beginning.
std::vector<float> limiterGain(const Stereo& pcm, float ceiling, float lookahead, float release);
void limit(Stereo& pcm, float ceiling, float lookahead, float release);

// Scales and limits `pcm` so that its integrated loudness meets `targetLufs` with every
// sample within `ceiling`. Returns the loudness reached.
double normalizeLoudness(Stereo& pcm, double targetLufs, float ceiling);

} // namespace gen::music

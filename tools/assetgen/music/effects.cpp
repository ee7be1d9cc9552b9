// Delay and reverb.
#include "music/effects.h"

#include <algorithm>

#include "music/filters.h"

namespace gen::music {

namespace {

constexpr float kWarmupSeconds = 8.0f;

// Calls step(i, keep) for the loop's last frames (keep false) and then for every frame of
// the loop in order (keep true).
template <class Step> void overLoop(size_t frames, Step step) {
    const size_t warmup = std::min<size_t>(frames, secondsToFrames(kWarmupSeconds));
    for (size_t i = frames - warmup; i < frames; ++i)
        step(i, false);
    for (size_t i = 0; i < frames; ++i)
        step(i, true);
}

// A circular delay line of fixed length.
class Line {
  public:
    explicit Line(size_t length) : buffer_(std::max<size_t>(1, length)) {}
    float read() const { return buffer_[pos_]; }
    void write(float x) {
        buffer_[pos_] = x;
        if (++pos_ == buffer_.size())
            pos_ = 0;
    }

  private:
    std::vector<float> buffer_;
    size_t pos_ = 0;
};

class Comb {
  public:
    Comb(size_t length, float feedback, float damping)
        : line_(length), feedback_(feedback), damping_(damping) {}
    float process(float x) {
        const float out = line_.read();
        store_ = out * (1.0f - damping_) + store_ * damping_;
        line_.write(x + store_ * feedback_);
        return out;
    }

  private:
    Line line_;
    float feedback_, damping_, store_ = 0.0f;
};

class Allpass {
  public:
    explicit Allpass(size_t length) : line_(length) {}
    float process(float x) {
        const float delayed = line_.read();
        line_.write(x + delayed * 0.5f);
        return delayed - x;
    }

  private:
    Line line_;
};

// Mutually prime line lengths at 44.1 kHz; the right side is a little longer, which
// decorrelates the two channels.
constexpr int kCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllpassLengths[4] = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;

struct ReverbSide {
    std::vector<Comb> combs;
    std::vector<Allpass> allpasses;

    ReverbSide(int spread, float feedback, float damping) {
        for (int length : kCombLengths)
            combs.emplace_back(length + spread, feedback, damping);
        for (int length : kAllpassLengths)
            allpasses.emplace_back(length + spread);
    }
    float process(float x) {
        float sum = 0.0f;
        for (Comb& c : combs)
            sum += c.process(x);
        for (Allpass& a : allpasses)
            sum = a.process(sum);
        return sum;
    }
};

} // namespace

Stereo pingPongDelay(const std::vector<float>& send, int delayFrames, float feedback) {
    Stereo wet(send.size());
    Line left(delayFrames), right(delayFrames);
    OnePole toneL, toneR;
    toneL.set(3500.0f);
    toneR.set(3500.0f);
    const float fb = std::clamp(feedback, 0.0f, 0.9f);
    overLoop(send.size(), [&](size_t i, bool keep) {
        const float outL = left.read();
        const float outR = right.read();
        // The send enters the left line; whatever leaves one side feeds the other.
        left.write(send[i] + fb * toneR.lowpass(outR));
        right.write(fb * toneL.lowpass(outL));
        if (keep) {
            wet.left[i] = outL;
            wet.right[i] = outR;
        }
    });
    return wet;
}

Stereo reverb(const Stereo& send, float size, float damping) {
    const float feedback = 0.7f + 0.28f * std::clamp(size, 0.0f, 1.0f);
    const float damp = 0.4f * std::clamp(damping, 0.0f, 1.0f);
    ReverbSide left(0, feedback, damp), right(kStereoSpread, feedback, damp);
    Stereo wet(send.frames());
    overLoop(send.frames(), [&](size_t i, bool keep) {
        const float in = 0.015f * (send.left[i] + send.right[i]);
        const float l = left.process(in);
        const float r = right.process(in);
        if (keep) {
            wet.left[i] = l;
            wet.right[i] = r;
        }
    });
    return wet;
}

} // namespace gen::music

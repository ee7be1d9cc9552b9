// Delay and reverb.
#include "music/effects.h"

#include <algorithm>

#include "music/envelopes.h"
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

void wall(Stereo& pcm, float (*cutoffAt)(size_t frame)) {
    // Butterworth's fourth order as two sections with these Qs.
    Svf stage[2][2];
    const float q[2] = {0.5412f, 1.3066f};
    constexpr float kOpen = 18000.0f, kShut = 6000.0f;
    constexpr float kMuffle = 0.6f; // the closed wall also takes 8 dB off the level
    constexpr int kControlPeriod = 16;
    const float smooth = 1.0f - decayCoefficient(0.003f);
    float closed = 0.0f, target = 0.0f;
    const Stereo dry = pcm;
    overLoop(pcm.frames(), [&](size_t i, bool keep) {
        if (i % kControlPeriod == 0) {
            const float cutoff = cutoffAt(i);
            const float hz = cutoff > 0.0f ? std::min(cutoff, kOpen) : kOpen;
            for (auto& side : stage)
                for (int k = 0; k < 2; ++k)
                    side[k].set(hz, q[k]);
            target = cutoff > 0.0f
                         ? std::clamp(std::log(kOpen / hz) / std::log(kOpen / kShut), 0.0f, 1.0f)
                         : 0.0f;
        }
        closed += smooth * (target - closed);
        const float l = stage[0][1].lowpass(stage[0][0].lowpass(dry.left[i]));
        const float r = stage[1][1].lowpass(stage[1][0].lowpass(dry.right[i]));
        if (!keep)
            return;
        const float wetL = dry.left[i] + closed * (l - dry.left[i]);
        const float wetR = dry.right[i] + closed * (r - dry.right[i]);
        const float mid = 0.5f * (wetL + wetR) * (1.0f - kMuffle * closed);
        const float side =
            0.5f * (wetL - wetR) * (1.0f - kMuffle * closed) * (1.0f - 0.6f * closed);
        pcm.left[i] = mid + side;
        pcm.right[i] = mid - side;
    });
}

void dcFilter(Stereo& pcm, float hz) {
    Svf left, right;
    left.set(hz, 0.7071f);
    right.set(hz, 0.7071f);
    const Stereo in = pcm;
    overLoop(pcm.frames(), [&](size_t i, bool keep) {
        const float l = left.highpass(in.left[i]);
        const float r = right.highpass(in.right[i]);
        if (keep) {
            pcm.left[i] = l;
            pcm.right[i] = r;
        }
    });
}

void stereoWidth(Stereo& pcm, float monoBelowHz, float width) {
    // Two second-order sections: a fourth-order highpass leaves the side 24 dB down an
    // octave below the corner.
    Svf stage[2];
    stage[0].set(monoBelowHz, 0.5412f);
    stage[1].set(monoBelowHz, 1.3066f);
    const Stereo in = pcm;
    overLoop(pcm.frames(), [&](size_t i, bool keep) {
        const float mid = 0.5f * (in.left[i] + in.right[i]);
        const float side =
            width * stage[1].highpass(stage[0].highpass(0.5f * (in.left[i] - in.right[i])));
        if (keep) {
            pcm.left[i] = mid + side;
            pcm.right[i] = mid - side;
        }
    });
}

} // namespace gen::music

// Mixing, metering and limiting.
#include "music/mixer.h"

#include <algorithm>
#include <deque>

#include "music/effects.h"
#include "music/envelopes.h"
#include "music/filters.h"

namespace gen::music {

namespace {

constexpr double kPiDouble = 3.14159265358979323846;

// The sidechain's dip under one kick: down in 4 ms, back up with a 90 ms time constant,
// faded to nothing by 0.44 s, just before the next beat at 124 beats a minute.
std::vector<float> pumpShape() {
    std::vector<float> shape(secondsToFrames(0.44f));
    const float attack = 0.004f * kSampleRate;
    const float fall = decayCoefficient(0.09f);
    const size_t fade = secondsToFrames(0.05f);
    float level = 1.0f;
    for (size_t i = 0; i < shape.size(); ++i) {
        const float t = static_cast<float>(i);
        float v;
        if (t < attack) {
            v = 0.5f - 0.5f * std::cos(kPi * t / attack);
        } else {
            level *= fall;
            v = level;
        }
        const size_t left = shape.size() - 1 - i;
        if (left < fade)
            v *= static_cast<float>(left) / fade;
        shape[i] = v;
    }
    return shape;
}

// K-weighting at 44.1 kHz: the head's high shelf (+4 dB above 1.7 kHz) and the revised
// low-frequency B-curve highpass at 38 Hz, from their analogue prototypes.
void kWeighting(Biquad& shelf, Biquad& highpass) {
    const double fs = kSampleRate;
    {
        const double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
        const double k = std::tan(kPiDouble * f0 / fs);
        const double vh = std::pow(10.0, gainDb / 20.0);
        const double vb = std::pow(vh, 0.4996667741545416);
        const double a0 = 1.0 + k / q + k * k;
        shelf.b0 = (vh + vb * k / q + k * k) / a0;
        shelf.b1 = 2.0 * (k * k - vh) / a0;
        shelf.b2 = (vh - vb * k / q + k * k) / a0;
        shelf.a1 = 2.0 * (k * k - 1.0) / a0;
        shelf.a2 = (1.0 - k / q + k * k) / a0;
    }
    {
        const double f0 = 38.13547087602444, q = 0.5003270373238773;
        const double k = std::tan(kPiDouble * f0 / fs);
        const double a0 = 1.0 + k / q + k * k;
        highpass.b0 = 1.0;
        highpass.b1 = -2.0;
        highpass.b2 = 1.0;
        highpass.a1 = 2.0 * (k * k - 1.0) / a0;
        highpass.a2 = (1.0 - k / q + k * k) / a0;
    }
}

} // namespace

Mix::Mix(size_t frames) : dry_(frames), reverbSend_(frames), delaySend_(frames), pump_(frames) {}

size_t Mix::wrap(std::int64_t frame) const {
    const std::int64_t n = static_cast<std::int64_t>(frames());
    return static_cast<size_t>(((frame % n) + n) % n);
}

void Mix::pump(std::int64_t frame) {
    static const std::vector<float> shape = pumpShape();
    for (size_t i = 0; i < shape.size(); ++i) {
        float& p = pump_[wrap(frame + static_cast<std::int64_t>(i))];
        p = std::max(p, shape[i]);
    }
}

template <class Source>
void Mix::addFrames(size_t count, std::int64_t start, const Channel& channel, Source source) {
    const float gl = channel.gain * std::min(1.0f, 1.0f - channel.pan);
    const float gr = channel.gain * std::min(1.0f, 1.0f + channel.pan);
    size_t at = wrap(start);
    for (size_t i = 0; i < count; ++i) {
        float l, r;
        source(i, l, r);
        const float duck = 1.0f - channel.duck * pump_[at];
        l *= gl * duck;
        r *= gr * duck;
        dry_.left[at] += l;
        dry_.right[at] += r;
        if (channel.reverb > 0.0f) {
            reverbSend_.left[at] += channel.reverb * l;
            reverbSend_.right[at] += channel.reverb * r;
        }
        if (channel.delay > 0.0f)
            delaySend_[at] += channel.delay * 0.5f * (l + r);
        if (++at == frames())
            at = 0;
    }
}

void Mix::add(const Stereo& voice, std::int64_t start, const Channel& channel) {
    addFrames(std::min(voice.frames(), frames()), start, channel,
              [&](size_t i, float& l, float& r) {
                  l = voice.left[i];
                  r = voice.right[i];
              });
}

void Mix::add(const std::vector<float>& mono, std::int64_t start, const Channel& channel) {
    addFrames(std::min(mono.size(), frames()), start, channel,
              [&](size_t i, float& l, float& r) { l = r = mono[i]; });
}

Stereo Mix::master(int delayFrames, float feedback, float delayLevel, float reverbLevel) const {
    Stereo out = dry_;
    const Stereo echo = pingPongDelay(delaySend_, delayFrames, feedback);
    // The echoes get a little of the room too, so they sit in the same space as the rest.
    Stereo roomSend = reverbSend_;
    for (size_t i = 0; i < out.frames(); ++i) {
        roomSend.left[i] += 0.3f * echo.left[i];
        roomSend.right[i] += 0.3f * echo.right[i];
    }
    const Stereo room = reverb(roomSend, 0.82f, 0.5f);
    for (size_t i = 0; i < out.frames(); ++i) {
        out.left[i] += delayLevel * echo.left[i] + reverbLevel * room.left[i];
        out.right[i] += delayLevel * echo.right[i] + reverbLevel * room.right[i];
    }
    return out;
}

double integratedLoudness(const Stereo& pcm) {
    const size_t hop = kSampleRate / 10; // 100 ms; a block is four hops
    std::vector<double> hops;
    Biquad shelf[2], highpass[2];
    for (int c = 0; c < 2; ++c)
        kWeighting(shelf[c], highpass[c]);
    double sum = 0.0;
    for (size_t i = 0; i < pcm.frames(); ++i) {
        const double l = highpass[0].process(shelf[0].process(pcm.left[i]));
        const double r = highpass[1].process(shelf[1].process(pcm.right[i]));
        sum += l * l + r * r;
        if ((i + 1) % hop == 0) {
            hops.push_back(sum / hop);
            sum = 0.0;
        }
    }
    std::vector<double> blocks;
    for (size_t i = 3; i < hops.size(); ++i)
        blocks.push_back(0.25 * (hops[i - 3] + hops[i - 2] + hops[i - 1] + hops[i]));
    auto loudness = [](double power) { return -0.691 + 10.0 * std::log10(std::max(power, 1e-30)); };
    auto gatedMean = [&](double threshold) {
        double total = 0.0;
        size_t count = 0;
        for (double b : blocks)
            if (loudness(b) > threshold) {
                total += b;
                ++count;
            }
        return count ? total / count : 0.0;
    };
    const double absolute = gatedMean(-70.0);
    if (absolute <= 0.0)
        return -70.0;
    return loudness(gatedMean(loudness(absolute) - 10.0));
}

std::vector<float> limiterGain(const Stereo& pcm, float ceiling, float lookahead, float release) {
    const std::int64_t n = static_cast<std::int64_t>(pcm.frames());
    const std::int64_t window = std::max(1, secondsToFrames(lookahead));
    // The recovery needs a run-in: the gain at the loop's start depends on its end.
    const std::int64_t runIn = std::min<std::int64_t>(n, secondsToFrames(release * 20.0f) + window);
    const float limit = ceiling * (1.0f - 1e-6f);
    auto required = [&](std::int64_t k) {
        const size_t i = static_cast<size_t>(((k % n) + n) % n);
        const float peak = std::max(std::fabs(pcm.left[i]), std::fabs(pcm.right[i]));
        return peak > limit ? limit / peak : 1.0f;
    };
    // held[k - first]: the least required gain over frames k .. k+window-1, recovering no
    // faster than the release allows.
    const std::int64_t first = -runIn - window;
    std::vector<float> held(static_cast<size_t>(n - first));
    std::deque<std::pair<std::int64_t, float>> minima; // increasing gains over the window
    const float recover = decayCoefficient(release);
    float level = 1.0f;
    for (std::int64_t k = first; k < n; ++k) {
        if (k == first)
            for (std::int64_t j = k; j < k + window - 1; ++j) {
                const float g = required(j);
                while (!minima.empty() && minima.back().second >= g)
                    minima.pop_back();
                minima.emplace_back(j, g);
            }
        const std::int64_t j = k + window - 1;
        const float g = required(j);
        while (!minima.empty() && minima.back().second >= g)
            minima.pop_back();
        minima.emplace_back(j, g);
        while (minima.front().first < k)
            minima.pop_front();
        level = std::min(minima.front().second, 1.0f - (1.0f - level) * recover);
        held[static_cast<size_t>(k - first)] = level;
    }
    // Averaging the held gain over the window ramps it down ahead of each peak; every term
    // of the average at frame k covers k, so the result never exceeds k's required gain.
    std::vector<float> gain(static_cast<size_t>(n));
    double sum = 0.0;
    for (std::int64_t k = first; k < n; ++k) {
        sum += held[static_cast<size_t>(k - first)];
        if (k - window >= first)
            sum -= held[static_cast<size_t>(k - window - first)];
        if (k >= 0)
            gain[static_cast<size_t>(k)] = static_cast<float>(sum / static_cast<double>(window));
    }
    return gain;
}

void limit(Stereo& pcm, float ceiling, float lookahead, float release) {
    const std::vector<float> gain = limiterGain(pcm, ceiling, lookahead, release);
    for (size_t i = 0; i < pcm.frames(); ++i) {
        pcm.left[i] *= gain[i];
        pcm.right[i] *= gain[i];
    }
}

double normalizeLoudness(Stereo& pcm, double targetLufs, float ceiling) {
    const double measured = integratedLoudness(pcm);
    if (measured <= -70.0)
        return measured;
    const Stereo source = pcm;
    double gainDb = targetLufs - measured;
    double reached = measured;
    for (int pass = 0; pass < 4; ++pass) {
        const float gain = dbToGain(static_cast<float>(gainDb));
        for (size_t i = 0; i < pcm.frames(); ++i) {
            pcm.left[i] = gain * source.left[i];
            pcm.right[i] = gain * source.right[i];
        }
        limit(pcm, ceiling, 0.003f, 0.12f);
        reached = integratedLoudness(pcm);
        if (std::fabs(reached - targetLufs) < 0.05)
            break;
        gainDb += targetLufs - reached;
    }
    return reached;
}

} // namespace gen::music

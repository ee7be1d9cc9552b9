// The synthesiser's pieces: oscillators, envelopes, filters, drums, voices, effects, the
// mixer's limiter and loudness meter, and the song's timing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "music/arrangement.h"
#include "music/drums.h"
#include "music/effects.h"
#include "music/envelopes.h"
#include "music/filters.h"
#include "music/instruments.h"
#include "music/mixer.h"
#include "music/oscillators.h"
#include "music_support.h"

using namespace gen::music;
using music_test::powerSpectrum;

namespace {

// Share of the power (dB) that lies away from the harmonics of f0 below the Nyquist
// frequency: what aliasing folds back into the audible band.
double aliasDb(const std::vector<float>& x, double f0) {
    const std::vector<double> p = powerSpectrum(x);
    const double binHz = static_cast<double>(kSampleRate) / x.size();
    std::vector<bool> harmonic(p.size(), false);
    for (double f = f0; f < 0.5 * kSampleRate; f += f0) {
        const long centre = std::lround(f / binHz);
        for (long b = centre - 6; b <= centre + 6; ++b)
            if (b >= 0 && b < static_cast<long>(p.size()))
                harmonic[b] = true;
    }
    double total = 0.0, alias = 0.0;
    for (size_t b = 6; b < p.size(); ++b) {
        total += p[b];
        if (!harmonic[b])
            alias += p[b];
    }
    return 10.0 * std::log10(alias / total);
}

double centroidHz(const std::vector<float>& x) {
    std::vector<float> padded(1 << 15, 0.0f);
    std::copy_n(x.begin(), std::min(x.size(), padded.size()), padded.begin());
    const std::vector<double> p = powerSpectrum(padded, false);
    double weighted = 0.0, total = 0.0;
    for (size_t b = 0; b < p.size(); ++b) {
        weighted += p[b] * b;
        total += p[b];
    }
    return weighted / total * kSampleRate / padded.size();
}

double rms(const std::vector<float>& x, size_t from = 0, size_t to = SIZE_MAX) {
    to = std::min(to, x.size());
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(x[i]) * x[i];
    return std::sqrt(sum / std::max<size_t>(1, to - from));
}

float peak(const std::vector<float>& x) {
    float p = 0.0f;
    for (float s : x)
        p = std::max(p, std::fabs(s));
    return p;
}

std::vector<float> generate(size_t n, const std::function<float()>& next) {
    std::vector<float> x(n);
    for (float& s : x)
        s = next();
    return x;
}

} // namespace

// --- Oscillators -------------------------------------------------------------------------

TEST(MusicOscillators, BandLimitedWaveformsKeepAliasingFarBelowNaiveOnes) {
    // Off-grid frequencies: upper harmonics fold back between the lower ones, where they
    // show. A two-sample BLEP removes less of the fold-back the higher the note.
    struct Pitch {
        float hz;
        double limitDb;
    } pitches[] = {{622.3f, -30.0}, {2489.0f, -24.0}};
    struct Shape {
        const char* name;
        float width;     // 0: saw
        float high, low; // the naive wave's two levels
    } shapes[] = {
        {"saw", 0.0f, 0, 0}, {"square", 0.5f, 1.0f, -1.0f}, {"pulse 25%", 0.25f, 1.5f, -0.5f}};
    for (const Pitch& p : pitches)
        for (const Shape& s : shapes) {
            Oscillator a, b;
            const double band = aliasDb(
                generate(8192, [&] { return s.width > 0 ? a.pulse(p.hz, s.width) : a.saw(p.hz); }),
                p.hz);
            const double naive = aliasDb(generate(8192,
                                                  [&] {
                                                      const float t = b.phase;
                                                      b.sine(p.hz); // advances the phase
                                                      if (s.width == 0)
                                                          return 2.0f * t - 1.0f;
                                                      return t < s.width ? s.high : s.low;
                                                  }),
                                         p.hz);
            EXPECT_LT(band, p.limitDb) << s.name << " at " << p.hz;
            EXPECT_LT(band, naive - 12.0) << s.name << " at " << p.hz << ", naive " << naive;
        }
}

TEST(MusicOscillators, RunAtTheirFrequencyWithZeroMean) {
    struct Case {
        const char* name;
        std::function<float(Oscillator&)> next;
    } cases[] = {
        {"sine", [](Oscillator& o) { return o.sine(440.0f); }},
        {"saw", [](Oscillator& o) { return o.saw(440.0f); }},
        {"pulse 50%", [](Oscillator& o) { return o.pulse(440.0f, 0.5f); }},
        {"pulse 10%", [](Oscillator& o) { return o.pulse(440.0f, 0.1f); }},
        {"pulse 80%", [](Oscillator& o) { return o.pulse(440.0f, 0.8f); }},
    };
    for (const Case& c : cases) {
        Oscillator o;
        o.phase = 0.3f; // away from an edge, so crossings are counted cleanly
        const std::vector<float> x = generate(kSampleRate, [&] { return c.next(o); });
        int rising = 0;
        double sum = 0.0;
        for (size_t i = 1; i < x.size(); ++i) {
            rising += x[i - 1] < 0.0f && x[i] >= 0.0f;
            sum += x[i];
        }
        EXPECT_NEAR(rising, 440, 1) << c.name;
        EXPECT_NEAR(sum / x.size(), 0.0, 0.01) << c.name;
        EXPECT_LT(peak(x), 1.9f) << c.name;
    }
}

TEST(MusicOscillators, NoiseIsCentredAndRepeatsFromItsSeed) {
    Noise a(99), b(99), c(100);
    double sum = 0.0, square = 0.0;
    bool same = true, differs = false;
    for (int i = 0; i < 100000; ++i) {
        const float x = a.next();
        same = same && x == b.next();
        differs = differs || x != c.next();
        ASSERT_GE(x, -1.0f);
        ASSERT_LT(x, 1.0f);
        sum += x;
        square += x * x;
    }
    EXPECT_TRUE(same);
    EXPECT_TRUE(differs);
    EXPECT_NEAR(sum / 100000, 0.0, 0.01);
    EXPECT_NEAR(square / 100000, 1.0 / 3.0, 0.01); // uniform on [-1, 1)
}

// --- Envelopes ---------------------------------------------------------------------------

TEST(MusicEnvelopes, AttackDecaySustainReleaseFollowTheirTimes) {
    const float attack = 0.01f, decay = 0.05f, sustain = 0.6f, release = 0.1f;
    Envelope env(attack, decay, sustain, release);
    const int attackFrames = secondsToFrames(attack);
    std::vector<float> level;
    for (int i = 0; i < kSampleRate / 2; ++i)
        level.push_back(env.next());
    EXPECT_NEAR(level[attackFrames / 2 - 1], 0.5f, 0.01f); // linear rise
    EXPECT_FLOAT_EQ(level[attackFrames - 1], 1.0f);
    const int tau = secondsToFrames(decay);
    EXPECT_NEAR(level[attackFrames - 1 + tau], sustain + (1 - sustain) * std::exp(-1.0f), 0.01f);
    EXPECT_NEAR(level.back(), sustain, 0.001f);
    env.release();
    const float held = env.level();
    for (int i = 0; i < secondsToFrames(release); ++i)
        env.next();
    EXPECT_NEAR(env.level(), held * std::exp(-1.0f), 0.01f);
    int frames = 0;
    while (!env.done() && frames < kSampleRate)
        env.next(), ++frames;
    EXPECT_TRUE(env.done());
    EXPECT_EQ(env.next(), 0.0f);
}

TEST(MusicEnvelopes, NeverJumpNorLeaveZeroToOne) {
    // Releases at every stage: mid-attack, at the peak, in the decay, on the sustain; and a
    // percussive envelope with no sustain that ends by itself.
    struct Case {
        float attack, decay, sustain, release;
        int releaseAt; // frames, -1: never
    } cases[] = {
        {0.02f, 0.1f, 0.5f, 0.05f, 300},  {0.02f, 0.1f, 0.5f, 0.05f, 882},
        {0.02f, 0.1f, 0.5f, 0.05f, 3000}, {0.001f, 0.05f, 0.8f, 0.01f, 20000},
        {0.002f, 0.08f, 0.0f, 0.05f, -1},
    };
    for (const Case& c : cases) {
        Envelope env(c.attack, c.decay, c.sustain, c.release);
        const float attackStep = 1.0f / (c.attack * kSampleRate);
        float last = 0.0f, largestStep = 0.0f;
        int frames = 0;
        for (; !env.done() && frames < 10 * kSampleRate; ++frames) {
            if (frames == c.releaseAt)
                env.release();
            const float x = env.next();
            ASSERT_GE(x, 0.0f);
            ASSERT_LE(x, 1.0f);
            if (!env.done())
                largestStep = std::max(largestStep, std::fabs(x - last));
            last = x;
        }
        EXPECT_TRUE(env.done()) << "release at " << c.releaseAt;
        EXPECT_LE(largestStep, attackStep * 1.001f) << "release at " << c.releaseAt;
        EXPECT_LE(last, Envelope::kSilent);
    }
}

// --- Filters -----------------------------------------------------------------------------

TEST(MusicFilters, StateVariableResponseAtAndAroundTheCutoff) {
    auto gainDbAt = [](float hz, bool low) {
        Svf f;
        f.set(1000.0f, 0.7071f);
        Oscillator o;
        std::vector<float> y;
        for (int i = 0; i < kSampleRate / 2; ++i) {
            const float x = o.sine(hz);
            y.push_back(low ? f.lowpass(x) : f.highpass(x));
        }
        return 20.0 * std::log10(rms(y, kSampleRate / 4) * std::sqrt(2.0));
    };
    struct Case {
        float hz;
        bool low;
        double lo, hi; // accepted gain range, dB
    } cases[] = {
        {100.0f, true, -0.2, 0.1}, {1000.0f, true, -3.5, -2.5},  {10000.0f, true, -60, -38},
        {100.0f, false, -60, -38}, {1000.0f, false, -3.5, -2.5}, {10000.0f, false, -0.2, 0.1},
    };
    for (const Case& c : cases) {
        const double g = gainDbAt(c.hz, c.low);
        EXPECT_GE(g, c.lo) << (c.low ? "lowpass " : "highpass ") << c.hz;
        EXPECT_LE(g, c.hi) << (c.low ? "lowpass " : "highpass ") << c.hz;
    }
}

TEST(MusicFilters, StayStableWhileTheCutoffJumpsAtHighResonance) {
    Svf f;
    Noise noise(7), jump(8);
    float largest = 0.0f;
    for (int i = 0; i < kSampleRate; ++i) {
        f.set(20.0f * std::pow(1000.0f, 0.5f + 0.5f * jump.next()), 15.0f);
        const float y = f.lowpass(noise.next());
        ASSERT_TRUE(std::isfinite(y));
        largest = std::max(largest, std::fabs(y));
    }
    EXPECT_LT(largest, 100.0f);
}

// --- Drums and voices --------------------------------------------------------------------

TEST(MusicDrums, HitsStartAndEndInSilenceAndSitInTheirBand) {
    struct Case {
        const char* name;
        Hit hit;
        double lowHz, highHz; // accepted spectral centroid
    } cases[] = {
        {"kick", kick(), 40, 250},
        {"clap", clap(1), 900, 3000},
        {"snare", snare(1), 1500, 5000},
        {"closed hat", hat(1, 0.04f), 7000, 14000},
        {"open hat", hat(1, 0.25f), 7000, 14000},
        {"crash", crash(1), 5000, 14000},
        {"tom", tom(120.0f), 80, 250},
        {"shaker", shaker(1), 3500, 9000},
        {"tambourine", tambourine(1), 5000, 12000},
        {"high conga", conga(330.0f, 1), 250, 900},
        {"low conga", conga(220.0f, 1), 180, 700},
    };
    for (const Case& c : cases) {
        ASSERT_GT(c.hit.size(), 1000u) << c.name;
        EXPECT_NEAR(peak(c.hit), 1.0f, 1e-4f) << c.name;
        EXPECT_LT(std::fabs(c.hit.front()), 0.01f) << c.name;
        EXPECT_EQ(c.hit.back(), 0.0f) << c.name;
        float step = 0.0f;
        for (size_t i = c.hit.size() - 300; i < c.hit.size(); ++i)
            step = std::max(step, std::fabs(c.hit[i] - c.hit[i - 1]));
        EXPECT_LT(step, 0.05f) << c.name << " ends on a step";
        const double centroid = centroidHz(c.hit);
        EXPECT_GT(centroid, c.lowHz) << c.name;
        EXPECT_LT(centroid, c.highHz) << c.name;
    }
}

TEST(MusicInstruments, VoicesFadeInAndOutAndTheirToneOpensTheFilter) {
    using Render = void (*)(const Note&, Stereo&);
    struct Case {
        const char* name;
        Render render;
        float pitch;
        bool hasTone;
    } cases[] = {
        {"bass", renderBass, 33, true},     {"stab", renderStab, 67, true},
        {"pad", renderPad, 60, true},       {"pluck", renderPluck, 72, true},
        {"lead", renderLead, 76, true},     {"riser", renderRiser, 0, false},
        {"guitar", renderGuitar, 64, true}, {"clavinet", renderClav, 57, true},
        {"brass", renderBrass, 67, true},   {"strings", renderStrings, 72, true},
        {"vocal", renderVocal, 69, true},
    };
    for (const Case& c : cases) {
        Note note;
        note.length = kSampleRate / 2;
        note.pitch = c.pitch;
        note.tone = 0.1f;
        Stereo dark, bright;
        c.render(note, dark);
        note.tone = 0.9f;
        c.render(note, bright);
        for (const Stereo* v : {&dark, &bright}) {
            ASSERT_GE(v->frames(), static_cast<size_t>(note.length)) << c.name;
            EXPECT_LT(v->frames(), note.length + 3u * kSampleRate) << c.name;
            const float top = std::max(peak(v->left), peak(v->right));
            EXPECT_GT(top, 0.05f) << c.name;
            for (const std::vector<float>* side : {&v->left, &v->right}) {
                EXPECT_LT(std::fabs(side->front()), 0.02f * top) << c.name << " starts on a step";
                EXPECT_LT(std::fabs(side->back()), 0.005f * top) << c.name << " ends on a step";
            }
        }
        if (c.hasTone) {
            EXPECT_GT(centroidHz(bright.left), 1.3 * centroidHz(dark.left)) << c.name;
        }
    }
}

// --- Effects, mixer, limiter, meter ------------------------------------------------------

TEST(MusicEffects, ALoopedSignalGetsTheSameTailWhereverTheLoopIsCut) {
    // Rotating the input rotates the output: the echoes and reverb of the loop's end run on
    // into its beginning just as they would on the next pass.
    const size_t frames = 4 * kSampleRate, shift = 12345;
    Noise noise(3);
    Stereo in(frames), turned(frames);
    for (size_t i = 0; i < frames; ++i) {
        const float burst = (i % 30000) < 2000 ? noise.next() : 0.0f;
        in.left[i] = burst;
        in.right[i] = 0.5f * burst;
    }
    for (size_t i = 0; i < frames; ++i) {
        turned.left[(i + shift) % frames] = in.left[i];
        turned.right[(i + shift) % frames] = in.right[i];
    }
    const Stereo room = reverb(in, 0.8f, 0.5f), roomTurned = reverb(turned, 0.8f, 0.5f);
    const Stereo echo = pingPongDelay(in.left, 9000, 0.5f);
    const Stereo echoTurned = pingPongDelay(turned.left, 9000, 0.5f);
    Stereo dc = in, dcTurned = turned, wide = in, wideTurned = turned;
    dcFilter(dc, 15.0f);
    dcFilter(dcTurned, 15.0f);
    stereoWidth(wide, 120.0f, 1.4f);
    stereoWidth(wideTurned, 120.0f, 1.4f);
    double worst = 0.0;
    using Pair = std::pair<const Stereo*, const Stereo*>;
    for (auto [out, outTurned] : {Pair{&room, &roomTurned}, Pair{&echo, &echoTurned},
                                  Pair{&dc, &dcTurned}, Pair{&wide, &wideTurned}})
        for (size_t i = 0; i < frames; ++i) {
            const size_t j = (i + shift) % frames;
            worst = std::max<double>(worst, std::fabs(out->left[i] - outTurned->left[j]));
            worst = std::max<double>(worst, std::fabs(out->right[i] - outTurned->right[j]));
        }
    EXPECT_GT(peak(room.left), 0.01f);
    EXPECT_LT(worst, 1e-4);
}

TEST(MusicEffects, MasterStagesTakeOutTheDcKeepTheBassMonoAndMuffleBehindTheWall) {
    // Steady tones through each stage; the last second is measured, after the stage settles.
    auto tone = [](float hz, float left, float right, float offset) {
        Stereo pcm(2 * kSampleRate);
        for (size_t i = 0; i < pcm.frames(); ++i) {
            const float x = std::sin(2.0f * kPi * hz * i / kSampleRate);
            pcm.left[i] = offset + left * x;
            pcm.right[i] = offset + right * x;
        }
        return pcm;
    };
    auto mean = [](const std::vector<float>& x) {
        double sum = 0.0;
        for (size_t i = x.size() / 2; i < x.size(); ++i)
            sum += x[i];
        return sum / (x.size() - x.size() / 2);
    };
    const size_t half = kSampleRate;
    struct Case {
        const char* name;
        Stereo in;
        std::function<void(Stereo&)> stage;
        double left, right; // expected RMS of each side after the stage
    } cases[] = {
        {"DC filter: an offset goes, the tone stays", tone(1000, 0.2f, 0.2f, 0.3f),
         [](Stereo& p) { dcFilter(p, 15.0f); }, 0.1414, 0.1414},
        {"width: 50 Hz on one side comes out in the middle", tone(50, 0.4f, 0.0f, 0.0f),
         [](Stereo& p) { stereoWidth(p, 120.0f, 1.5f); }, 0.1414, 0.1414},
        {"width: 3 kHz on one side spreads by half as much again", tone(3000, 0.4f, 0.0f, 0.0f),
         [](Stereo& p) { stereoWidth(p, 120.0f, 1.5f); }, 0.3536, 0.0707},
        {"open wall: untouched", tone(3000, 0.4f, -0.2f, 0.0f),
         [](Stereo& p) { wall(p, [](size_t) { return 0.0f; }); }, 0.2828, 0.1414},
        {"closed wall: 3 kHz is gone", tone(3000, 0.4f, 0.4f, 0.0f),
         [](Stereo& p) { wall(p, [](size_t) { return 300.0f; }); }, 0.0, 0.0},
        {"closed wall: 80 Hz passes, 8 dB down", tone(80, 0.4f, 0.4f, 0.0f),
         [](Stereo& p) { wall(p, [](size_t) { return 300.0f; }); }, 0.1131, 0.1131},
    };
    for (Case& c : cases) {
        c.stage(c.in);
        EXPECT_NEAR(rms(c.in.left, half), c.left, 0.02 * c.left + 0.002) << c.name;
        EXPECT_NEAR(rms(c.in.right, half), c.right, 0.02 * c.right + 0.002) << c.name;
        EXPECT_LT(std::fabs(mean(c.in.left)), 1e-4) << c.name;
    }
}

TEST(MusicEffects, PingPongEchoesAlternateSidesAndFade) {
    std::vector<float> send(kSampleRate, 0.0f);
    send[100] = 1.0f;
    const int delay = 5000;
    const Stereo wet = pingPongDelay(send, delay, 0.5f);
    auto energy = [](const std::vector<float>& x, size_t at) { return rms(x, at, at + 400); };
    EXPECT_LT(energy(wet.left, 0), 1e-6);
    EXPECT_GT(energy(wet.left, 100 + delay), 0.01);
    EXPECT_LT(energy(wet.right, 100 + delay), 1e-6);
    EXPECT_GT(energy(wet.right, 100 + 2 * delay), 0.2 * energy(wet.left, 100 + delay));
    EXPECT_LT(energy(wet.right, 100 + 2 * delay), 0.8 * energy(wet.left, 100 + delay));
    EXPECT_LT(energy(wet.left, 100 + 3 * delay), energy(wet.right, 100 + 2 * delay));
}

TEST(MusicMixer, VoicesWrapAroundTheLoopPanAndDuckUnderTheKick) {
    Mix mix(kSampleRate);
    mix.pump(1000);
    EXPECT_FLOAT_EQ(mix.pumpLevel(999), 1.0f);
    EXPECT_LT(mix.pumpLevel(1000 + secondsToFrames(0.004f)), 0.01f);
    EXPECT_GT(mix.pumpLevel(1000 + secondsToFrames(0.3f)), 0.9f);
    EXPECT_FLOAT_EQ(mix.pumpLevel(1000 + secondsToFrames(0.45f)), 1.0f);

    std::vector<float> ones(2000, 1.0f);
    Channel left;
    left.pan = -1.0f;
    mix.add(ones, kSampleRate - 500, left); // rings on past the end into the start
    Channel ducked;
    ducked.pan = 1.0f;
    ducked.duck = 1.0f;
    mix.add(ones, 900, ducked);
    const Stereo out = mix.master(1000, 0.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(out.left[kSampleRate - 1], 1.0f);
    EXPECT_FLOAT_EQ(out.left[1499], 1.0f);
    EXPECT_FLOAT_EQ(out.left[1500], 0.0f);
    EXPECT_FLOAT_EQ(out.right[kSampleRate - 1], 0.0f);
    EXPECT_FLOAT_EQ(out.right[950], 1.0f); // before the kick
    EXPECT_LT(out.right[1000 + secondsToFrames(0.004f)], 0.01f);
}

TEST(MusicLimiter, NeverExceedsTheCeilingAndRidesTheGainSmoothly) {
    const float ceiling = dbToGain(-1.0f), lookahead = 0.003f;
    const int window = secondsToFrames(lookahead);
    Noise noise(5);
    struct Case {
        const char* name;
        std::function<float(size_t)> signal;
        bool untouched; // quiet throughout: the limiter must leave it alone
    } cases[] = {
        {"quiet sine", [](size_t i) { return 0.5f * std::sin(0.05f * i); }, true},
        {"bursts", [](size_t i) { return (i % 20000 < 3000 ? 4.0f : 0.3f) * std::sin(0.07f * i); },
         false},
        {"loud noise", [&](size_t) { return 10.0f * noise.next(); }, false},
        {"spike on the first frame", [](size_t i) { return i == 0 ? 8.0f : 0.2f; }, false},
    };
    for (const Case& c : cases) {
        Stereo pcm(2 * kSampleRate);
        for (size_t i = 0; i < pcm.frames(); ++i) {
            pcm.left[i] = c.signal(i);
            pcm.right[i] = -0.5f * pcm.left[i];
        }
        const std::vector<float> gain = limiterGain(pcm, ceiling, lookahead, 0.1f);
        Stereo out = pcm;
        limit(out, ceiling, lookahead, 0.1f);
        EXPECT_LE(std::max(peak(out.left), peak(out.right)), ceiling) << c.name;
        float largestStep = 0.0f;
        for (size_t i = 1; i < gain.size(); ++i)
            largestStep = std::max(largestStep, std::fabs(gain[i] - gain[i - 1]));
        EXPECT_LE(largestStep, 1.0f / window + 1e-5f) << c.name;
        if (c.untouched) {
            EXPECT_EQ(out.left, pcm.left) << c.name;
        }
    }
    // The spike on the first frame is foreseen at the end of the loop, which comes before it.
    Stereo spike(kSampleRate);
    spike.left[0] = 8.0f;
    const std::vector<float> gain = limiterGain(spike, ceiling, lookahead, 0.1f);
    EXPECT_LT(gain[spike.frames() - window / 2], 0.6f);
    EXPECT_NEAR(gain[0], ceiling / 8.0f, 1e-3f);
}

TEST(MusicLoudness, MeasuresSinesAndGatesQuietPassages) {
    auto tone = [](std::vector<std::pair<float, float>> parts) { // (seconds, amplitude)
        Stereo pcm;
        Oscillator o;
        for (auto [seconds, amplitude] : parts)
            for (int i = 0; i < secondsToFrames(seconds); ++i) {
                const float x = amplitude * o.sine(997.0f);
                pcm.left.push_back(x);
                pcm.right.push_back(x);
            }
        return pcm;
    };
    struct Case {
        const char* name;
        Stereo pcm;
        double lufs;
    } cases[] = {
        {"full-scale sine", tone({{5, 1.0f}}), 0.0},
        {"sine at -20 dB", tone({{5, 0.1f}}), -20.0},
        {"then silence (absolute gate)", tone({{5, 0.1f}, {5, 0.0f}}), -20.0},
        {"then -40 dB (relative gate)", tone({{5, 0.1f}, {5, 0.01f}}), -20.0},
        {"then -26 dB (counted)", tone({{5, 0.1f}, {5, 0.05f}}), -21.94},
        {"silence", tone({{5, 0.0f}}), -70.0},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(integratedLoudness(c.pcm), c.lufs, 0.15) << c.name;
}

TEST(MusicLoudness, NormalisingMeetsTheTargetWithinTheCeiling) {
    Stereo pcm(10 * kSampleRate);
    Oscillator o;
    for (size_t i = 0; i < pcm.frames(); ++i) {
        // A sine with sharp peaks every half second: loudness and peaks pull apart.
        const float click = (i % 22050) < 40 ? 0.9f : 0.0f;
        pcm.left[i] = pcm.right[i] = 0.02f * o.sine(220.0f) + 0.02f * click;
    }
    const float ceiling = dbToGain(-1.0f);
    const double reached = normalizeLoudness(pcm, -14.0, ceiling);
    EXPECT_NEAR(reached, -14.0, 0.1);
    EXPECT_NEAR(integratedLoudness(pcm), -14.0, 0.1);
    EXPECT_LE(std::max(peak(pcm.left), peak(pcm.right)), ceiling);
}

// --- The song ----------------------------------------------------------------------------

TEST(MusicSong, TheDropFallsOnBarTwentyAtTheCutToTheDisco) {
    EXPECT_EQ(frameAt(kDropBar * kStepsPerBar), secondsToFrames(38.6f));
    EXPECT_EQ(kLoopFrames % kFramesPerBar, 0u);
    const double bpm = 60.0 * kSampleRate * 4 / kFramesPerBar;
    EXPECT_NEAR(bpm, 124.35, 0.01);
}

TEST(MusicSong, KicksLieExactlyOnTheBeatAndRestOnlyForTheBreathAndTheBreakdown) {
    const Score score = compose();
    const int beats = kBars * 4;
    std::vector<int> kicks(beats, 0);
    for (const DrumHit& h : score.drums) {
        ASSERT_GE(h.frame, 0);
        ASSERT_LT(h.frame, static_cast<std::int64_t>(kLoopFrames));
        if (h.drum != Drum::Kick)
            continue;
        const int beat = static_cast<int>(std::llround(h.frame * 4.0 / kFramesPerBar));
        ASSERT_EQ(h.frame, frameAt(4.0 * beat)) << "a kick off the grid near beat " << beat;
        ++kicks[beat % beats];
    }
    // Silent: the last two beats before the drop, and the breakdown from the second beat of
    // its first bar to the first beat of the bar the groove comes back in.
    std::vector<int> silent;
    for (int beat = 0; beat < beats; ++beat) {
        EXPECT_LE(kicks[beat], 1) << "beat " << beat;
        if (kicks[beat] == 0)
            silent.push_back(beat);
    }
    std::vector<int> expected = {4 * kDropBar - 2, 4 * kDropBar - 1};
    for (int beat = 4 * kBreakBar + 1; beat <= 4 * kReturnBar; ++beat)
        expected.push_back(beat);
    EXPECT_EQ(silent, expected);
    EXPECT_EQ(frameAt(4.0 * (4 * kDropBar)), secondsToFrames(38.6f));

    for (size_t p = 0; p < kPartCount; ++p)
        for (const std::vector<Note>* part : {&score.club[p], &score.street[p]})
            for (const Note& n : *part) {
                ASSERT_GE(n.start, 0);
                ASSERT_LT(n.start, static_cast<std::int64_t>(kLoopFrames));
                ASSERT_GT(n.length, 0);
            }
}

TEST(MusicSong, SomethingChangesFromEachEightBarsToTheNext) {
    // What plays in a stretch of bars: the number of hits of each drum, of notes of each part
    // on either side of the wall, and where the wall stands.
    const Score score = compose();
    auto inBars = [](std::int64_t frame, int from, int to) {
        return frame >= frameAt(from * kStepsPerBar) && frame < frameAt(to * kStepsPerBar);
    };
    auto signature = [&](int from, int to) {
        std::vector<long> counts(static_cast<size_t>(Drum::Count) + 2 * kPartCount + 1, 0);
        for (const DrumHit& h : score.drums)
            counts[static_cast<size_t>(h.drum)] += inBars(h.frame, from, to);
        for (size_t p = 0; p < kPartCount; ++p)
            for (int outside = 0; outside < 2; ++outside)
                for (const Note& n : score.part(static_cast<Part>(p), outside == 1))
                    counts[static_cast<size_t>(Drum::Count) + 2 * p + outside] +=
                        inBars(n.start, from, to);
        counts.back() = std::lround(wallCutoff(from + 0.5) + wallCutoff(to - 0.5));
        return counts;
    };
    for (int bar = 0; bar + 16 <= kBars; bar += 4)
        EXPECT_NE(signature(bar, bar + 8), signature(bar + 8, bar + 16))
            << "bars " << bar << " to " << bar + 15 << " play one texture";
}

TEST(MusicSong, TheChordsTopNoteMoves) {
    // The highest string note in each bar: a line that moves, not one note held on top.
    const Score score = compose();
    std::vector<float> top(kBars, 0.0f);
    for (int outside = 0; outside < 2; ++outside)
        for (const Note& n : score.part(Part::Pad, outside == 1)) {
            const int bar = static_cast<int>(n.start / kFramesPerBar);
            top[bar] = std::max(top[bar], n.pitch);
        }
    std::vector<int> bars(12, 0);
    std::vector<float> pitches;
    for (int bar = 0; bar < kBars; ++bar)
        if (top[bar] > 0.0f) {
            ++bars[static_cast<int>(top[bar]) % 12];
            pitches.push_back(top[bar]);
        }
    std::sort(pitches.begin(), pitches.end());
    pitches.erase(std::unique(pitches.begin(), pitches.end()), pitches.end());
    EXPECT_GE(pitches.size(), 6u);
    EXPECT_LE(*std::max_element(bars.begin(), bars.end()), kBars / 4);
}

TEST(MusicSong, ComposingAndRenderingRepeatExactly) {
    const Score a = compose(), b = compose();
    ASSERT_EQ(a.part(Part::Lead).size(), b.part(Part::Lead).size());
    ASSERT_EQ(a.drums.size(), b.drums.size());
    for (size_t i = 0; i < a.drums.size(); ++i) {
        EXPECT_EQ(a.drums[i].frame, b.drums[i].frame);
        EXPECT_EQ(a.drums[i].velocity, b.drums[i].velocity);
    }
    Stereo x, y;
    renderVocal(a.part(Part::Vocal)[3], x);
    renderVocal(b.part(Part::Vocal)[3], y);
    EXPECT_EQ(x.left, y.left);
    EXPECT_EQ(x.right, y.right);
    EXPECT_EQ(clap(4), clap(4));
    EXPECT_NE(clap(4), clap(5));
    EXPECT_EQ(tambourine(4), tambourine(4));
}

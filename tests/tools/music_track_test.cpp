// The soundtrack as the demo gets it: build/music/maxx.mp3, decoded with ffmpeg and measured
// against what a finished club track needs, and the MP3 writer's gapless round trip.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/generators.h"
#include "music/arrangement.h"
#include "music/drums.h"
#include "music/encoder.h"
#include "music/filters.h"
#include "music/mixer.h"
#include "music_support.h"
#include "support/paths.h"

using namespace gen::music;
using music_test::powerSpectrum;

namespace {

std::string trackPath() {
    return buildDir() + "/music/maxx.mp3";
}

// Standard output of a shell command (standard error folded in when `withErrors`).
std::string run(const std::string& command, bool withErrors = false) {
    FILE* pipe = popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    std::string out;
    if (!pipe)
        return out;
    char buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

// The file decoded by ffmpeg to 44.1 kHz stereo floats.
Stereo decode(const std::string& path) {
    const std::string raw = run("ffmpeg -v error -i '" + path + "' -f f32le -ac 2 -ar 44100 -");
    const size_t frames = raw.size() / (2 * sizeof(float));
    std::vector<float> interleaved(2 * frames);
    std::copy_n(raw.data(), interleaved.size() * sizeof(float),
                reinterpret_cast<char*>(interleaved.data()));
    Stereo pcm(frames);
    for (size_t i = 0; i < frames; ++i) {
        pcm.left[i] = interleaved[2 * i];
        pcm.right[i] = interleaved[2 * i + 1];
    }
    return pcm;
}

double meanSquare(const Stereo& pcm, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to; ++i)
        sum += 0.5 * (pcm.left[i] * pcm.left[i] + pcm.right[i] * pcm.right[i]);
    return sum / (to - from);
}

constexpr double kBeat = 60.0 / 124.35; // seconds

std::vector<float> mono(const Stereo& pcm, size_t from, size_t to) {
    std::vector<float> m(to - from);
    for (size_t i = from; i < to; ++i)
        m[i - from] = 0.5f * (pcm.left[i] + pcm.right[i]);
    return m;
}

Stereo excerpt(const Stereo& pcm, size_t from, size_t to) {
    Stereo part(to - from);
    std::copy(pcm.left.begin() + from, pcm.left.begin() + to, part.left.begin());
    std::copy(pcm.right.begin() + from, pcm.right.begin() + to, part.right.begin());
    return part;
}

double loudness(const Stereo& pcm, size_t from, size_t to) {
    return integratedLoudness(excerpt(pcm, from, to));
}

// Power between `lowHz` and `highHz` over all power, both sides, averaged over blocks of
// 8192 frames.
constexpr size_t kBlock = 8192;
double bandShare(const Stereo& pcm, size_t from, size_t to, double lowHz, double highHz) {
    double band = 0.0, total = 0.0;
    for (const std::vector<float>* side : {&pcm.left, &pcm.right})
        for (size_t at = from; at + kBlock <= to; at += kBlock) {
            const std::vector<double> p =
                powerSpectrum(std::vector<float>(side->begin() + at, side->begin() + at + kBlock));
            for (size_t b = 0; b < p.size(); ++b) {
                const double hz = static_cast<double>(b) * kSampleRate / kBlock;
                total += p[b];
                band += hz >= lowHz && hz < highHz ? p[b] : 0.0;
            }
        }
    return band / total;
}

// Power of the side signal (L - R) against the mid (L + R) below 120 Hz, in dB.
double bassSideToMidDb(const Stereo& pcm, size_t from, size_t to) {
    double side = 0.0, mid = 0.0;
    for (size_t at = from; at + kBlock <= to; at += kBlock) {
        std::vector<float> s(kBlock), m(kBlock);
        for (size_t i = 0; i < kBlock; ++i) {
            m[i] = pcm.left[at + i] + pcm.right[at + i];
            s[i] = pcm.left[at + i] - pcm.right[at + i];
        }
        const std::vector<double> ps = powerSpectrum(s), pm = powerSpectrum(m);
        for (size_t b = 1; b * kSampleRate < 120 * kBlock; ++b) {
            side += ps[b];
            mid += pm[b];
        }
    }
    return 10.0 * std::log10(side / mid + 1e-30);
}

double correlation(const Stereo& pcm, size_t from, size_t to) {
    double lr = 0.0, ll = 0.0, rr = 0.0;
    for (size_t i = from; i < to; ++i) {
        lr += static_cast<double>(pcm.left[i]) * pcm.right[i];
        ll += static_cast<double>(pcm.left[i]) * pcm.left[i];
        rr += static_cast<double>(pcm.right[i]) * pcm.right[i];
    }
    return lr / std::sqrt(ll * rr);
}

size_t clipped(const Stereo& pcm) {
    size_t count = 0;
    for (size_t i = 0; i < pcm.frames(); ++i)
        count += std::fabs(pcm.left[i]) >= 1.0f || std::fabs(pcm.right[i]) >= 1.0f;
    return count;
}

// The largest mean of either side over any eight bars.
double largestOffset(const Stereo& pcm) {
    double largest = 0.0;
    const size_t span = 8 * static_cast<size_t>(kFramesPerBar);
    for (size_t at = 0; at + span <= pcm.frames(); at += span)
        for (const std::vector<float>* side : {&pcm.left, &pcm.right}) {
            double sum = 0.0;
            for (size_t i = at; i < at + span; ++i)
                sum += (*side)[i];
            largest = std::max(largest, std::fabs(sum / span));
        }
    return largest;
}

// In how many bars the commonest strongest note is the strongest, counting the power of
// 200 Hz to 2 kHz by pitch class.
int barsOfTheCommonestNote(const Stereo& pcm) {
    constexpr size_t kWindow = 16384;
    std::vector<int> bars(12, 0);
    for (int bar = 0; bar < kBars; ++bar) {
        const size_t from = static_cast<size_t>(bar) * kFramesPerBar;
        std::vector<double> chroma(12, 0.0);
        for (size_t at = from; at + kWindow <= from + kFramesPerBar; at += kWindow / 2) {
            const std::vector<double> p = powerSpectrum(mono(pcm, at, at + kWindow));
            for (size_t b = 1; b < p.size(); ++b) {
                const double hz = static_cast<double>(b) * kSampleRate / kWindow;
                if (hz >= 200.0 && hz < 2000.0)
                    chroma[std::lround(69.0 + 12.0 * std::log2(hz / 440.0)) % 12] += p[b];
            }
        }
        ++bars[std::max_element(chroma.begin(), chroma.end()) - chroma.begin()];
    }
    return *std::max_element(bars.begin(), bars.end());
}

// Where the kick is out: the low end (35-90 Hz, the lowpass of the fourth order, so that the
// snare and toms stay out of it) in the first 80 ms of every beat, against a
// tenth of its median over the loop. The longest run of quiet beats is the breakdown.
struct KickGap {
    double from = 0.0, to = 0.0; // seconds: the first quiet beat, the first kick after it
    int elsewhere = 0;           // quiet beats outside that run
};
KickGap kickGap(const Stereo& pcm) {
    std::vector<float> m = mono(pcm, 0, pcm.frames());
    Svf low[2], high;
    low[0].set(90.0f, 0.5412f);
    low[1].set(90.0f, 1.3066f);
    high.set(35.0f, 0.7071f);
    for (float& s : m)
        s = high.highpass(low[1].lowpass(low[0].lowpass(s)));
    const int beats = kBars * 4;
    const size_t window = secondsToFrames(0.08f);
    std::vector<double> level(beats);
    for (int b = 0; b < beats; ++b) {
        const size_t at = static_cast<size_t>(frameAt(4.0 * b));
        double sum = 0.0;
        for (size_t i = at; i < at + window; ++i)
            sum += m[i] * m[i];
        level[b] = std::sqrt(sum / window);
    }
    std::vector<double> sorted = level;
    std::nth_element(sorted.begin(), sorted.begin() + beats / 2, sorted.end());
    const double threshold = 0.1 * sorted[beats / 2];
    int bestStart = 0, bestLength = 0, quiet = 0;
    for (int b = 0, run = 0; b < beats; ++b) {
        run = level[b] < threshold ? run + 1 : 0;
        quiet += level[b] < threshold;
        if (run > bestLength) {
            bestLength = run;
            bestStart = b - run + 1;
        }
    }
    const double beatSeconds = static_cast<double>(kFramesPerBar) / 4.0 / kSampleRate;
    return {bestStart * beatSeconds, (bestStart + bestLength) * beatSeconds, quiet - bestLength};
}

// One decode of the built track, shared by the tests that measure it.
class BuiltTrack : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        if (access(trackPath().c_str(), R_OK) == 0)
            track_ = new Stereo(decode(trackPath()));
    }
    static void TearDownTestSuite() {
        delete track_;
        track_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(track_, nullptr) << trackPath() << " missing: build the assets target first";
        ASSERT_GT(track_->frames(), 0u) << "ffmpeg could not decode " << trackPath();
    }
    static Stereo* track_;
};
Stereo* BuiltTrack::track_ = nullptr;

} // namespace

TEST_F(BuiltTrack, IsStereoAt44100HzAndAtLeast160Kbits) {
    const std::string info = run("ffprobe -v error -select_streams a:0 -show_entries "
                                 "stream=codec_name,sample_rate,channels,bit_rate -of "
                                 "default=noprint_wrappers=1 '" +
                                 trackPath() + "'");
    EXPECT_NE(info.find("codec_name=mp3"), std::string::npos) << info;
    EXPECT_NE(info.find("sample_rate=44100"), std::string::npos) << info;
    EXPECT_NE(info.find("channels=2"), std::string::npos) << info;
    const size_t at = info.find("bit_rate=");
    ASSERT_NE(at, std::string::npos) << info;
    EXPECT_GE(std::stol(info.substr(at + 9)), 160000) << info;
}

// The track measured as a mastering engineer would, on the decoded file: one row per
// measure, all printed, so a failure shows the whole picture.
TEST_F(BuiltTrack, MeasuresAsAFinishedClubTrack) {
    const Stereo& t = *track_;
    const size_t n = t.frames(), cut = secondsToFrames(38.6f);
    auto at = [](double seconds) { return static_cast<size_t>(secondsToFrames(seconds)); };
    const std::string report =
        run("ffmpeg -nostats -i '" + trackPath() + "' -af ebur128=peak=true -f null -", true);
    const size_t summary = report.rfind("Summary:");
    ASSERT_NE(summary, std::string::npos) << report.substr(0, 500);
    const size_t integrated = report.find("I:", summary);
    const size_t truePeak = report.find("Peak:", report.find("True peak:", summary));
    ASSERT_NE(integrated, std::string::npos) << report.substr(summary);
    ASSERT_NE(truePeak, std::string::npos) << report.substr(summary);

    const KickGap gap = kickGap(t);
    const double lowMono = bassSideToMidDb(t, cut, n);
    const struct Row {
        const char* what;
        double value, low, high;
    } rows[] = {
        {"length (s)", static_cast<double>(n) / kSampleRate, 154.4 - 1e-6, 154.4 + 1e-6},
        {"integrated loudness (LUFS)", std::stod(report.substr(integrated + 2)), -15.0, -13.0},
        {"true peak (dBTP)", std::stod(report.substr(truePeak + 5)), -3.0, -1.0},
        {"samples at or over full scale", static_cast<double>(clipped(t)), 0, 0},
        {"short-term loudness jump across the cut (LU)",
         loudness(t, cut, cut + at(4)) - loudness(t, cut - at(4), cut), 4.0, 20.0},
        {"share above 1 kHz: 60 s after the cut / 8 s before",
         bandShare(t, cut, cut + at(60), 1000, 22050) / bandShare(t, cut - at(8), cut, 1000, 22050),
         2.0, 100.0},
        {"first 16 s against the last 16 s (LU)",
         loudness(t, 0, at(16)) - loudness(t, n - at(16), n), -5.0, 5.0},
        {"share of 2-8 kHz after the cut", bandShare(t, cut, n, 2000, 8000), 0.05, 1.0},
        {"share of 2-8 kHz in the minute after the cut",
         bandShare(t, cut, cut + at(60), 2000, 8000), 0.05, 1.0},
        {"left/right correlation after the cut", correlation(t, cut, n), 0.6, 0.85},
        {"side against mid below 120 Hz after the cut (dB)", lowMono, -200.0, -30.0},
        {"bars in which the commonest strongest note is strongest",
         static_cast<double>(barsOfTheCommonestNote(t)), 0, kBars / 2},
        {"largest DC offset over eight bars", largestOffset(t), 0.0, 1e-4},
        {"kick out from (s)", gap.from, 64.0 - kBeat, 64.0 + kBeat},
        {"kick back at (s)", gap.to, 74.0 - kBeat, 74.0 + kBeat},
        {"beats without a kick elsewhere (the breath before the drop)",
         static_cast<double>(gap.elsewhere), 2, 2},
    };
    std::string table;
    char line[160];
    for (const Row& r : rows) {
        std::snprintf(line, sizeof line, "%-62s %10.5g  [%g, %g]\n", r.what, r.value, r.low,
                      r.high);
        table += line;
    }
    std::printf("%s", table.c_str());
    for (const Row& r : rows) {
        EXPECT_GE(r.value, r.low) << r.what << "\n" << table;
        EXPECT_LE(r.value, r.high) << r.what << "\n" << table;
    }
}

TEST_F(BuiltTrack, EndJoinsTheStartWithoutAClickOrGap) {
    // The last 50 ms followed by the first 50 ms, as the looping player sends them out.
    const size_t window = secondsToFrames(0.05f), n = track_->frames();
    for (const std::vector<float>* side : {&track_->left, &track_->right}) {
        std::vector<float> joined(side->end() - window, side->end());
        joined.insert(joined.end(), side->begin(), side->begin() + window);
        std::vector<float> steps;
        for (size_t i = 1; i < joined.size(); ++i)
            if (i != window)
                steps.push_back(std::fabs(joined[i] - joined[i - 1]));
        const float seam = std::fabs(joined[window] - joined[window - 1]);
        double square = 0.0;
        for (float s : steps)
            square += s * s;
        const double usual = std::sqrt(square / steps.size());
        EXPECT_LE(seam, *std::max_element(steps.begin(), steps.end()));
        EXPECT_LT(seam, 3.0 * usual) << "usual step " << usual;
    }
    // No silence slipped in at either end: the first and last 10 ms play at the same level.
    const size_t edge = secondsToFrames(0.01f);
    const double first = meanSquare(*track_, 0, edge), last = meanSquare(*track_, n - edge, n);
    EXPECT_GT(first, 1e-5);
    EXPECT_GT(first, 0.25 * last);
    EXPECT_LT(first, 4.0 * last);
}

TEST(MusicEncoder, WritesAGaplessMp3WithTheLameTag) {
    const std::string dir = makeScratchTree("music-encoder");
    const std::string path = dir + "/music/tone.mp3";
    // A 2205 Hz cosine starts at full level and moves fast: a delay or padding left in by
    // the decoder shows as a large difference from the first frame on.
    Stereo pcm(kSampleRate + 123);
    for (size_t i = 0; i < pcm.frames(); ++i) {
        pcm.left[i] = 0.5f * std::cos(2.0f * kPi * (i % 20) / 20.0f);
        pcm.right[i] = -pcm.left[i];
    }
    ASSERT_TRUE(writeMp3(pcm, path));
    EXPECT_NE(access((path + ".part").c_str(), F_OK), 0);
    EXPECT_NE(readFile(path).substr(0, 1024).find("LAME"), std::string::npos);
    const Stereo back = decode(path);
    ASSERT_EQ(back.frames(), pcm.frames());
    EXPECT_NEAR(back.left[0], 0.5f, 0.1f);
    double error = 0.0;
    for (size_t i = 0; i < pcm.frames(); ++i)
        error +=
            std::pow(back.left[i] - pcm.left[i], 2) + std::pow(back.right[i] - pcm.right[i], 2);
    EXPECT_LT(std::sqrt(error / (2 * pcm.frames())), 0.02);
}

TEST(MusicEncoder, FailsCleanlyWhenTheFileCannotBeWritten) {
    Stereo pcm(1000);
    testing::internal::CaptureStderr();
    const bool ok = writeMp3(pcm, "/nonexistent-dir/tone.mp3");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ok);
    EXPECT_NE(err.find("/nonexistent-dir/tone.mp3"), std::string::npos) << err;
}

TEST(MusicGenerator, MakesTheSameBytesAsTheBuildDidAndTheFileKeepsEverySampleInPlace) {
    const std::string built = readFile(trackPath());
    ASSERT_FALSE(built.empty()) << trackPath() << " missing: build the assets target first";
    const std::string dir = makeScratchTree("music-generator");
    gen::OutputDirs out{dir + "/models", dir + "/models/moves", dir + "/textures", dir + "/music"};
    testing::internal::CaptureStderr();
    const bool ok = gen::generateMusic(out);
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(ok);
    const std::string again = readFile(dir + "/music/maxx.mp3");
    EXPECT_EQ(again.size(), built.size());
    EXPECT_TRUE(again == built) << "the generator is not deterministic";

    // The decoded file against the generator's own samples over the first beat of the drop:
    // they line up with no lag at all, so every kick of the grid (exact in the score) is
    // exact in the file too, and the drop kick lands at 38.6 s to the frame.
    const Stereo pcm = perform(compose());
    const Stereo decoded = decode(trackPath());
    ASSERT_EQ(decoded.frames(), pcm.frames());
    const size_t cut = secondsToFrames(38.6f), span = kFramesPerBar / 4;
    auto error = [&](int lag) {
        double e = 0.0;
        for (size_t i = cut; i < cut + span; ++i) {
            const size_t j = static_cast<size_t>(static_cast<std::int64_t>(i) + lag);
            e += std::pow(decoded.left[j] - pcm.left[i], 2) +
                 std::pow(decoded.right[j] - pcm.right[i], 2);
        }
        return e;
    };
    int bestLag = 0;
    for (int lag = -32; lag <= 32; ++lag)
        if (error(lag) < error(bestLag))
            bestLag = lag;
    EXPECT_EQ(bestLag, 0);
    EXPECT_LT(error(0), 0.01 * 2.0 * span * meanSquare(pcm, cut, cut + span));
}

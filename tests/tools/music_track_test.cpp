// The soundtrack as the demo gets it: build/music/maxx.mp3, decoded and measured with
// ffmpeg, and the MP3 writer's gapless round trip.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "common/generators.h"
#include "music/arrangement.h"
#include "music/encoder.h"
#include "support/paths.h"

using namespace gen::music;

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

TEST_F(BuiltTrack, DecodesToExactlyTheLoopWithoutEncoderDelayOrPadding) {
    EXPECT_EQ(track_->frames(), kLoopFrames);
    EXPECT_NEAR(track_->frames() / static_cast<double>(kSampleRate), 154.4, 1e-6);
}

TEST_F(BuiltTrack, PeaksStayBelowFullScale) {
    float peak = 0.0f;
    for (size_t i = 0; i < track_->frames(); ++i)
        peak = std::max({peak, std::fabs(track_->left[i]), std::fabs(track_->right[i])});
    EXPECT_LT(peak, dbToGain(-0.5f));
    EXPECT_GT(peak, dbToGain(-3.0f)); // and the limiter's ceiling is actually reached
}

TEST_F(BuiltTrack, IntegratedLoudnessIsNearMinus14Lufs) {
    const std::string report =
        run("ffmpeg -nostats -i '" + trackPath() + "' -af ebur128 -f null -", true);
    const size_t summary = report.rfind("Summary:");
    ASSERT_NE(summary, std::string::npos) << report.substr(0, 500);
    const size_t at = report.find("I:", summary);
    ASSERT_NE(at, std::string::npos);
    const double lufs = std::stod(report.substr(at + 2));
    EXPECT_NEAR(lufs, -14.0, 0.7);
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

TEST_F(BuiltTrack, TheDiscoDropsInAt38Point6Seconds) {
    const size_t cut = secondsToFrames(38.6f), second = kSampleRate;
    const double before = meanSquare(*track_, cut - second, cut);
    const double after = meanSquare(*track_, cut, cut + second);
    EXPECT_GT(after, 2.5 * before) << "before " << before << ", after " << after;
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

TEST(MusicGenerator, MakesTheSameBytesAsTheBuildDid) {
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
}

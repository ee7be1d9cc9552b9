// The music through SDL's disk driver: audible, looping, and gapless at the loop point.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/music.h"
#include "support/child.h"
#include "support/demo_process.h"
#include "support/paths.h"
#include "track.h"

namespace {

constexpr int kRate = 44100;
constexpr double kTrackSeconds = 1.5;
constexpr int kSilence = 64;  // a 16-bit sample at or below this magnitude is silent (-54 dBFS)
constexpr size_t kTwoMs = 88; // frames at 44.1 kHz

// The left channel of interleaved 16-bit stereo.
std::vector<std::int16_t> leftChannel(const std::string& bytes) {
    std::vector<std::int16_t> left(bytes.size() / 4);
    for (size_t i = 0; i < left.size(); ++i)
        std::memcpy(&left[i], bytes.data() + i * 4, 2);
    return left;
}

// The track as a decoder independent of the mixer sees it.
std::vector<std::int16_t> decode(const std::string& mp3) {
    const std::string raw = mp3 + ".raw";
    shellOutput("ffmpeg -hide_banner -loglevel error -y -i '" + mp3 +
                "' -f s16le -ac 2 -ar 44100 '" + raw + "'");
    return leftChannel(readFile(raw));
}

// Plays `mp3` in a child with the disk driver until `frames` of output are written.
std::vector<std::int16_t> record(const std::string& mp3, size_t frames) {
    const std::string out = mp3 + ".out";
    const ChildResult child = runInChild([&] {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
        setenv("SDL_DISKAUDIODELAY", "2", 1); // ms per 23 ms buffer: about ten times real time
        static Music music;
        music.load(mp3.c_str());
        music.play();
        struct stat info {};
        while (stat(out.c_str(), &info) != 0 || static_cast<size_t>(info.st_size) < frames * 4)
            usleep(2000);
        music.release();
    });
    EXPECT_TRUE(child.exited && child.status == 0) << child.out << child.err;
    EXPECT_EQ(child.out, "");
    return leftChannel(readFile(out));
}

size_t firstAudible(const std::vector<std::int16_t>& s) {
    size_t i = 0;
    while (i < s.size() && std::abs(s[i]) <= kSilence)
        ++i;
    return i;
}

size_t longestSilence(const std::vector<std::int16_t>& s, size_t from, size_t to) {
    size_t longest = 0, run = 0;
    for (size_t i = from; i < to && i < s.size(); ++i) {
        run = std::abs(s[i]) <= kSilence ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// Mean absolute difference between `a` from `at` and the first `n` frames of `b`.
double difference(const std::vector<std::int16_t>& a, size_t at, const std::vector<std::int16_t>& b,
                  size_t n) {
    double sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += std::abs(a[at + i] - b[i]);
    return sum / n;
}

// Where the track's first `n` frames line up best with `out`, searching [from, to).
size_t align(const std::vector<std::int16_t>& out, const std::vector<std::int16_t>& track,
             size_t from, size_t to, size_t n) {
    size_t best = from;
    for (size_t at = from; at < to; ++at)
        if (difference(out, at, track, n) < difference(out, best, track, n))
            best = at;
    return best;
}

struct LoopCase {
    const char* name;
    bool tagged;
    bool gapless; // expected
};

void PrintTo(const LoopCase& c, std::ostream* os) {
    *os << c.name;
}

class MusicLoop : public ::testing::TestWithParam<LoopCase> {};

TEST_P(MusicLoop, AudibleLoopingAndGaplessOnlyWithTheEncoderTag) {
    const LoopCase& c = GetParam();
    const std::string mp3 = makeScratchTree("loop") + "/music/" + c.name + ".mp3";
    ASSERT_EQ(makeTrack(mp3, kTrackSeconds, c.tagged), "ok") << "ffmpeg with libmp3lame is needed";
    const std::vector<std::int16_t> track = decode(mp3);
    ASSERT_GT(track.size(), kTrackSeconds * kRate * 0.9);

    const std::vector<std::int16_t> out = record(mp3, 3 * track.size());
    const size_t onset = firstAudible(out);
    ASSERT_LT(onset, out.size()) << "nothing audible was played";
    // Still playing one and two lengths after the start: the stream went round by itself.
    const size_t end = onset + 2 * track.size() + kRate / 10;
    ASSERT_GE(out.size(), end);
    EXPECT_LT(firstAudible({out.begin() + onset + 2 * track.size(), out.begin() + end}), kTwoMs);

    // The loop point: no more silence than the track holds itself, and the second pass starts
    // exactly one source length after the first, sample for sample as the track decodes.
    const size_t trackSilence = longestSilence(track, 0, track.size());
    const size_t playedSilence = longestSilence(out, onset, end);
    const size_t source = static_cast<size_t>(kTrackSeconds * kRate);
    const size_t n = 2048;
    const size_t first = align(out, track, 0, onset + n, n);
    const size_t second = align(out, track, first + source - n, first + source + 4 * n, n);
    if (c.gapless) {
        EXPECT_LE(playedSilence, trackSilence + kTwoMs);
        EXPECT_EQ(second - first, source);
        EXPECT_LT(difference(out, second, track, n), 4.0);
    } else {
        EXPECT_GT(playedSilence, trackSilence + kTwoMs) << "a gap this check cannot see";
        EXPECT_GT(second - first, source + kTwoMs);
    }
}

INSTANTIATE_TEST_SUITE_P(Tracks, MusicLoop,
                         ::testing::Values(LoopCase{"tagged", true, true},
                                           LoopCase{"untagged", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

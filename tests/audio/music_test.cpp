// Music's load, play and release in child processes: the error and version lines, the exit
// statuses, and the release inside exit().
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "audio/music.h"
#include "support/child.h"
#include "support/paths.h"
#include "track.h"

namespace {

using namespace platform;

// Runs after the static Music is destroyed (registered before it is constructed), so it sees
// whether the release inside exit() closed the audio device.
void reportDevice() {
    std::fputs(SDL_WasInit(SDL_INIT_AUDIO) ? "[open]" : "[closed]", stderr);
}

struct MusicRun {
    const char* name;
    std::string driver;    // SDL_AUDIODRIVER, as a headless run sets it
    const char* file;      // under the scratch music folder
    std::uint32_t version; // reported by the layer, 0 for its own
    bool play;             // load is followed by play
    bool dropSound;        // the sound is released behind the Music's back before quitting
    std::string out;       // expected standard output, exactly
    int status;            // expected exit status
    const char* device;    // the device state seen after the release inside exit()
};

void PrintTo(const MusicRun& r, std::ostream* os) {
    *os << r.name;
}

std::string errorLine(int code) {
    return "FMOD error! (" + std::to_string(code) + ") " + audioErrorString(code) + "\n";
}

const std::string kOldLine =
    "Error!  You are using an old version of FMOD 00040301.  This program requires 00040302\n";

class MusicLifecycle : public ::testing::TestWithParam<MusicRun> {
  protected:
    static void SetUpTestSuite() {
        music = makeScratchTree("music") + "/music/";
        ASSERT_EQ(makeTrack(music + "track.mp3", 0.5), "ok") << "ffmpeg with libmp3lame needed";
        ASSERT_TRUE(writeFile(music + "noise.mp3", std::string(4096, '\x5a')));
    }
    static std::string music;
};
std::string MusicLifecycle::music;

// Every run ends the way the demo does: through exit(), with the global-like Music in static
// storage (zeroed, then constructed) destroyed inside it.
TEST_P(MusicLifecycle, PrintsAndEndsAsExpected) {
    const MusicRun& r = GetParam();
    const std::string path = music + r.file;
    const ChildResult child = runInChild([&] {
        setenv("SDL_AUDIODRIVER", r.driver.c_str(), 1);
        audioOverrideVersion(r.version);
        std::atexit(reportDevice);
        static Music m;
        m.load(path.c_str());
        if (r.play)
            m.play();
        if (r.dropSound)
            audioSoundRelease(m.sound);
        std::exit(1);
    });
    ASSERT_TRUE(child.exited) << "signal " << child.signal << "\n" << child.err;
    EXPECT_EQ(child.status, r.status);
    EXPECT_EQ(child.out, r.out);
    EXPECT_NE(child.err.find(r.device), std::string::npos) << child.err;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, MusicLifecycle,
    ::testing::Values(
        // Quit while playing: three quiet release calls, the quit status.
        MusicRun{"QuitWhilePlaying", "dummy", "track.mp3", 0, true, false, "", 1, "[closed]"},
        MusicRun{"QuitAfterLoad", "dummy", "track.mp3", 0, false, false, "", 1, "[closed]"},
        MusicRun{"ExactRequiredVersion", "dummy", "track.mp3", 0x00040302, true, false, "", 1,
                 "[closed]"},
        // Older: the line, no exit, nothing opened; the later play is refused and fatal.
        MusicRun{"OldVersionGoesOn", "dummy", "track.mp3", 0x00040301, false, false, kOldLine, 1,
                 "[closed]"},
        MusicRun{"OldVersionThenPlay", "dummy", "track.mp3", 0x00040301, true, false,
                 kOldLine + errorLine(AUDIO_ERR_UNINITIALIZED), 255, "[closed]"},
        // Load failures: one line, status 255, and the half-made system still released.
        MusicRun{"MissingFile", "dummy", "missing.mp3", 0, true, false,
                 errorLine(AUDIO_ERR_FILE_NOT_FOUND), 255, "[closed]"},
        MusicRun{"NotAnMp3", "dummy", "noise.mp3", 0, true, false, errorLine(AUDIO_ERR_FILE_BAD),
                 255, "[closed]"},
        MusicRun{"Directory", "dummy", "", 0, true, false, errorLine(AUDIO_ERR_FILE_BAD), 255,
                 "[closed]"},
        MusicRun{"NoAudioDevice", "no-such-driver", "track.mp3", 0, true, false,
                 errorLine(AUDIO_ERR_OUTPUT_INIT), 255, "[closed]"},
        // A release failing inside exit() prints its line and stops, without a second exit.
        MusicRun{"FailedReleaseAtExit", "dummy", "track.mp3", 0, true, true,
                 errorLine(AUDIO_ERR_INVALID_HANDLE), 1, "[open]"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AudioErrorString, EveryCodeHasItsOwnSentenceAndOthersAreUnknown) {
    std::set<std::string> seen;
    for (int code = AUDIO_OK; code <= AUDIO_ERR_BUSY; ++code) {
        const std::string text = audioErrorString(code);
        EXPECT_NE(text, "Unknown error.") << code;
        EXPECT_TRUE(seen.insert(text).second) << code << " repeats " << text;
    }
    for (int code : {-1, AUDIO_ERR_BUSY + 1, 1 << 30})
        EXPECT_STREQ(audioErrorString(code), "Unknown error.");
}

} // namespace

// The music track: load, play and release through the audio layer, each call checked.
#include "audio/music.h"

#include <cstdio>

#include "platform/fatal.h"

using namespace platform;

namespace {

// True while a Music destructor runs. The global instance is destroyed inside exit(), where
// ending the process again is undefined behaviour, so failures there are only printed.
bool destroying = false;

} // namespace

void errorCheck(AudioResult result) {
    if (result == AUDIO_OK)
        return;
    std::printf("FMOD error! (%d) %s\n", result, audioErrorString(result));
    if (!destroying)
        fatalExit(-1);
}

Music::Music() {
    channel = nullptr;
}

Music::~Music() {
    destroying = true;
    release();
    destroying = false;
}

void Music::load(const char* path) {
    result = audioSystemCreate(&system);
    errorCheck(result);
    result = audioSystemGetVersion(system, &version);
    errorCheck(result);
    if (version < kRequiredAudioVersion) {
        std::printf("Error!  You are using an old version of FMOD %08x.  This program requires "
                    "%08x\n",
                    version, kRequiredAudioVersion);
        return;
    }
    result = audioSystemInit(system, 1, kAudioInitNormal, nullptr);
    errorCheck(result);
    result = audioSystemCreateStream(system, path, kAudioHardware | kAudio2D | kAudioLoopNormal,
                                     nullptr, &sound);
    errorCheck(result);
}

void Music::play() {
    result = audioSystemPlaySound(system, kAudioChannelFree, sound, false, &channel);
    errorCheck(result);
}

void Music::release() {
    if (sound) {
        result = audioSoundRelease(sound);
        sound = nullptr;
        channel = nullptr;
        errorCheck(result);
        if (result != AUDIO_OK)
            return;
    }
    if (system) {
        result = audioSystemClose(system);
        errorCheck(result);
        if (result != AUDIO_OK)
            return;
        result = audioSystemRelease(system);
        system = nullptr;
        errorCheck(result);
    }
}

// The audio layer on SDL2_mixer: the system opens the device, a sound is a Mix_Music stream,
// the one channel is SDL_mixer's music voice.
#include "platform/audio.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <mpg123.h>
#include <sys/stat.h>

#include <cerrno>

// A failure is reported by the audio layer's own code and the one line of its caller; the
// libraries underneath would otherwise add theirs on standard error. SDL_mixer decodes MP3
// with libmpg123, which prints a note for every bad header it skips unless its handle is
// told to be quiet, and SDL_mixer makes those handles itself. This definition stands in for
// libmpg123's (SDL_mixer's reference binds to the program's own first) and hands every new
// handle back quiet.
extern "C" mpg123_handle* mpg123_new(const char* decoder, int* error) {
    using New = mpg123_handle* (*)(const char*, int*);
    static const New libraryNew = reinterpret_cast<New>(dlsym(RTLD_NEXT, "mpg123_new"));
    if (!libraryNew) {
        if (error)
            *error = MPG123_ERR;
        return nullptr;
    }
    mpg123_handle* handle = libraryNew(decoder, error);
    if (handle)
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    return handle;
}

namespace {

// ALSA prints its configuration errors (eight lines when there is no sound card) through
// this handler; the layer reports the failure as AUDIO_ERR_OUTPUT_INIT instead.
void ignoreAlsaError(const char*, int, const char*, int, const char*, ...) {}

} // namespace

namespace platform {

struct AudioChannel {
    AudioSound* sound; // the sound started last on this channel, null when none
};

struct AudioSound {
    AudioSystem* system;
    Mix_Music* music;
    bool loop;
    AudioSound* next; // the system's list of open sounds
};

struct AudioSystem {
    bool initialized;
    AudioSound* sounds;
    AudioChannel channel;
    AudioSystem* next; // the list of live systems
};

namespace {

// The device format. 1024 frames per mix is 23 ms at 44.1 kHz: short enough that a sound
// starts at once, long enough for the decoder to keep up on a busy machine.
constexpr int kFrequency = 44100;
constexpr int kOutputChannels = 2;
constexpr int kChunkFrames = 1024;

// Handles are checked against these lists before use, so a stale or foreign pointer is an
// error code rather than a crash. Only plain pointers live here: the layer may still be called
// from static destructors at process exit, after other statics are gone.
AudioSystem* liveSystems = nullptr;
AudioSystem* deviceOwner = nullptr; // SDL_mixer has one device: the system that opened it
std::uint32_t versionOverride = 0;

bool isLive(const AudioSystem* system) {
    for (AudioSystem* s = liveSystems; s; s = s->next)
        if (s == system)
            return system != nullptr;
    return false;
}

// The system that owns `sound`, or null when the sound is not open.
AudioSystem* ownerOf(const AudioSound* sound) {
    for (AudioSystem* s = liveSystems; s; s = s->next)
        for (AudioSound* d = s->sounds; d; d = d->next)
            if (d == sound)
                return s;
    return nullptr;
}

void freeSound(AudioSystem* system, AudioSound* sound) {
    if (system->channel.sound == sound) {
        Mix_HaltMusic();
        system->channel.sound = nullptr;
    }
    Mix_FreeMusic(sound->music);
    for (AudioSound** link = &system->sounds; *link; link = &(*link)->next) {
        if (*link == sound) {
            *link = sound->next;
            break;
        }
    }
    delete sound;
}

} // namespace

AudioResult audioSystemCreate(AudioSystem** system) {
    if (!system)
        return AUDIO_ERR_INVALID_PARAM;
    *system = new AudioSystem{false, nullptr, {nullptr}, liveSystems};
    liveSystems = *system;
    return AUDIO_OK;
}

AudioResult audioSystemGetVersion(AudioSystem* system, std::uint32_t* version) {
    if (!isLive(system))
        return AUDIO_ERR_INVALID_HANDLE;
    if (!version)
        return AUDIO_ERR_INVALID_PARAM;
    *version = versionOverride ? versionOverride : kAudioVersion;
    return AUDIO_OK;
}

AudioResult audioSystemInit(AudioSystem* system, int maxChannels, unsigned flags,
                            void* extraDriverData) {
    if (!isLive(system))
        return AUDIO_ERR_INVALID_HANDLE;
    if (system->initialized)
        return AUDIO_ERR_INITIALIZED;
    if (maxChannels < 1 || extraDriverData)
        return AUDIO_ERR_INVALID_PARAM;
    if (flags != kAudioInitNormal)
        return AUDIO_ERR_UNSUPPORTED;
    if (deviceOwner)
        return AUDIO_ERR_BUSY;
    // The program's own signals (Ctrl-C) stay with the program.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    snd_lib_error_set_handler(ignoreAlsaError);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return AUDIO_ERR_OUTPUT_INIT;
    // Loads the MP3 decoder now rather than at the first stream; a missing decoder shows up
    // as AUDIO_ERR_FILE_BAD when an MP3 is opened.
    Mix_Init(MIX_INIT_MP3);
    if (Mix_OpenAudio(kFrequency, AUDIO_S16SYS, kOutputChannels, kChunkFrames) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return AUDIO_ERR_OUTPUT_INIT;
    }
    // Streams play on the music voice; the sample channels are never used.
    Mix_AllocateChannels(0);
    system->initialized = true;
    deviceOwner = system;
    return AUDIO_OK;
}

AudioResult audioSystemCreateStream(AudioSystem* system, const char* path, unsigned mode,
                                    void* extraInfo, AudioSound** sound) {
    if (!sound)
        return AUDIO_ERR_INVALID_PARAM;
    *sound = nullptr;
    if (!isLive(system))
        return AUDIO_ERR_INVALID_HANDLE;
    if (!system->initialized)
        return AUDIO_ERR_UNINITIALIZED;
    if (!path || extraInfo)
        return AUDIO_ERR_INVALID_PARAM;
    if (mode & kAudio3D)
        return AUDIO_ERR_UNSUPPORTED;
    struct stat info {};
    if (stat(path, &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? AUDIO_ERR_FILE_NOT_FOUND : AUDIO_ERR_FILE_BAD;
    if (!S_ISREG(info.st_mode))
        return AUDIO_ERR_FILE_BAD;
    // Mix_LoadMUS keeps the file open and decodes from it on the mixer thread as it plays.
    Mix_Music* music = Mix_LoadMUS(path);
    if (!music)
        return AUDIO_ERR_FILE_BAD;
    *sound = new AudioSound{system, music, (mode & kAudioLoopNormal) != 0, system->sounds};
    system->sounds = *sound;
    return AUDIO_OK;
}

AudioResult audioSystemPlaySound(AudioSystem* system, int channelIndex, AudioSound* sound,
                                 bool paused, AudioChannel** channel) {
    if (!isLive(system))
        return AUDIO_ERR_INVALID_HANDLE;
    if (!system->initialized)
        return AUDIO_ERR_UNINITIALIZED;
    if (ownerOf(sound) != system)
        return AUDIO_ERR_INVALID_HANDLE;
    if (channelIndex != kAudioChannelFree && channelIndex != 0)
        return AUDIO_ERR_INVALID_PARAM;
    if (paused)
        return AUDIO_ERR_UNSUPPORTED;
    // -1 loops forever: SDL_mixer seeks back to the start itself when the stream ends.
    if (Mix_PlayMusic(sound->music, sound->loop ? -1 : 1) != 0)
        return AUDIO_ERR_PLAY;
    system->channel.sound = sound;
    if (channel)
        *channel = &system->channel;
    return AUDIO_OK;
}

AudioResult audioSoundRelease(AudioSound* sound) {
    AudioSystem* system = ownerOf(sound);
    if (!system)
        return AUDIO_ERR_INVALID_HANDLE;
    freeSound(system, sound);
    return AUDIO_OK;
}

AudioResult audioSystemClose(AudioSystem* system) {
    if (!isLive(system))
        return AUDIO_ERR_INVALID_HANDLE;
    if (!system->initialized)
        return AUDIO_OK;
    while (system->sounds)
        freeSound(system, system->sounds);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    system->initialized = false;
    deviceOwner = nullptr;
    return AUDIO_OK;
}

AudioResult audioSystemRelease(AudioSystem* system) {
    const AudioResult closed = audioSystemClose(system);
    if (closed != AUDIO_OK)
        return closed;
    for (AudioSystem** link = &liveSystems; *link; link = &(*link)->next) {
        if (*link == system) {
            *link = system->next;
            break;
        }
    }
    delete system;
    return AUDIO_OK;
}

const char* audioErrorString(int result) {
    switch (result) {
    case AUDIO_OK:
        return "No error.";
    case AUDIO_ERR_INVALID_HANDLE:
        return "An audio handle was null, already released or never created.";
    case AUDIO_ERR_INVALID_PARAM:
        return "An argument to an audio call was not valid.";
    case AUDIO_ERR_UNINITIALIZED:
        return "The audio system has not been initialised.";
    case AUDIO_ERR_INITIALIZED:
        return "The audio system is already initialised.";
    case AUDIO_ERR_OUTPUT_INIT:
        return "No audio output device could be opened.";
    case AUDIO_ERR_FILE_NOT_FOUND:
        return "The sound file was not found.";
    case AUDIO_ERR_FILE_BAD:
        return "The sound file could not be read or is not in a format that can be played.";
    case AUDIO_ERR_PLAY:
        return "The sound could not be started.";
    case AUDIO_ERR_UNSUPPORTED:
        return "The audio layer does not provide this mode or option.";
    case AUDIO_ERR_BUSY:
        return "Another audio system already holds the output device.";
    default:
        return "Unknown error.";
    }
}

void audioOverrideVersion(std::uint32_t version) {
    versionOverride = version;
}

} // namespace platform

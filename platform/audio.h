// The audio layer: one audio system that streams sound files from disk and plays them on SDL's
// own audio thread (SDL2_mixer underneath). The calls are flat C-style functions on opaque
// handles; each returns an AudioResult and writes its outputs through pointers.
#pragma once

#include <cstdint>

namespace platform {

// Result of every audio call. 0 is success; the sentence for each code is audioErrorString().
enum AudioResult : int {
    AUDIO_OK = 0,
    AUDIO_ERR_INVALID_HANDLE = 1, // a null handle, or one that was released or never made
    AUDIO_ERR_INVALID_PARAM = 2,  // a bad argument (null output, bad channel index, ...)
    AUDIO_ERR_UNINITIALIZED = 3,  // the system was created but not initialised
    AUDIO_ERR_INITIALIZED = 4,    // init on a system that is already initialised
    AUDIO_ERR_OUTPUT_INIT = 5,    // no audio device could be opened
    AUDIO_ERR_FILE_NOT_FOUND = 6, // the sound file does not exist
    AUDIO_ERR_FILE_BAD = 7,       // the sound file cannot be read or decoded
    AUDIO_ERR_PLAY = 8,           // the mixer refused to start the sound
    AUDIO_ERR_UNSUPPORTED = 9,    // a mode or option this layer does not provide
    AUDIO_ERR_BUSY = 10,          // only one system can own the audio device at a time
};

// Opaque handles. A system owns its sounds; the channel belongs to the system.
struct AudioSystem;
struct AudioSound;
struct AudioChannel;

// Layer version: 16 bits major, 8 bits minor, 8 bits patch (0x00050000 is 5.0.0).
constexpr std::uint32_t kAudioVersion = 0x00050000;

// Flags for audioSystemInit.
constexpr unsigned kAudioInitNormal = 0;

// Mode bits for audioSystemCreateStream. A stream is always decoded while it plays, in
// software on the mixer thread, and mixed flat into both speakers; the 2D and hardware bits
// are accepted and change nothing. Without kAudioLoopNormal the sound plays once.
constexpr unsigned kAudioLoopNormal = 0x02; // start again from the beginning, without end
constexpr unsigned kAudio2D = 0x08;
constexpr unsigned kAudio3D = 0x10; // positional sound: not provided (AUDIO_ERR_UNSUPPORTED)
constexpr unsigned kAudioHardware = 0x20;

// Channel index for audioSystemPlaySound: let the system pick its free channel.
constexpr int kAudioChannelFree = -1;

// Allocates a system; nothing is opened yet.
AudioResult audioSystemCreate(AudioSystem** system);
// Writes kAudioVersion (or the test override below).
AudioResult audioSystemGetVersion(AudioSystem* system, std::uint32_t* version);
// Opens the audio device: 44.1 kHz, 16-bit stereo, one channel (more are not provided and
// `maxChannels` above 1 is treated as 1). The device is chosen by SDL, which honours the
// SDL_AUDIODRIVER environment variable. `extraDriverData` must be null.
AudioResult audioSystemInit(AudioSystem* system, int maxChannels, unsigned flags,
                            void* extraDriverData);
// Opens `path` as a stream: only its header is read now, the rest is decoded while it plays.
// `extraInfo` must be null.
AudioResult audioSystemCreateStream(AudioSystem* system, const char* path, unsigned mode,
                                    void* extraInfo, AudioSound** sound);
// Starts `sound` on the system's one channel (index 0 or kAudioChannelFree); a sound already
// on that channel is stopped. Playback starts audible at once and continues on SDL's audio
// thread with no further call. Starting paused is not provided.
AudioResult audioSystemPlaySound(AudioSystem* system, int channelIndex, AudioSound* sound,
                                 bool paused, AudioChannel** channel);
// Stops `sound` if it plays and frees it.
AudioResult audioSoundRelease(AudioSound* sound);
// Stops playback, frees the system's sounds and closes the device. The system can be
// initialised again. Closing a system that was never initialised does nothing.
AudioResult audioSystemClose(AudioSystem* system);
// Closes the system if needed and frees it.
AudioResult audioSystemRelease(AudioSystem* system);

// A fixed sentence for each result code; "Unknown error." for any other value.
const char* audioErrorString(int result);

// Test seam: makes audioSystemGetVersion report `version` instead of kAudioVersion; 0 restores
// the real version.
void audioOverrideVersion(std::uint32_t version);

} // namespace platform

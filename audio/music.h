// The demo's music: one audio system playing one looping stream for the whole run.
#pragma once

#include <cstdint>

#include "platform/audio.h"

// The oldest audio layer this program accepts, compared as an unsigned number.
constexpr std::uint32_t kRequiredAudioVersion = 0x00040302;

// Every audio call's result goes through here: on anything but AUDIO_OK it prints
// "FMOD error! (code) text" on standard output and ends the process with status -1, except
// while a Music is being destroyed (see ~Music).
void errorCheck(platform::AudioResult result);

// Loaded and started once at start-up, then left alone: the stream loops on the audio
// thread with no further call. Released by the destructor when the process ends.
class Music {
  public:
    // Sets `channel` only: the global instance is zero-initialised before it is constructed.
    Music();
    // Releases what load created. A failure here prints its line but never ends the process:
    // the destructor of the global instance runs inside exit().
    ~Music();

    // Creates the system, checks its version, initialises it with one channel and opens
    // `path` as a looping stream. Failures end the process; an old layer only prints a line
    // and returns, leaving the system created but not initialised.
    void load(const char* path);
    // Starts the stream audible at once. Failures end the process.
    void play();
    // Releases the sound, then closes and releases the system, stopping at the first failure.
    // Handles that were never created are skipped, so release is safe after a failed or
    // partial load and a second call does nothing.
    void release();

    platform::AudioSystem* system;   // owned; written by load
    platform::AudioSound* sound;     // owned; written by load
    platform::AudioChannel* channel; // belongs to the system; written by play
    platform::AudioResult result;    // of the most recent audio call
    std::uint32_t version;           // the layer's version, written by load
};

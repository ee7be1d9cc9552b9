// Test tracks for the music tests, encoded on the spot by ffmpeg with libmp3lame.
#pragma once

#include <string>

#include "support/demo_process.h"

// Writes a stereo MP3 of a rising sweep (220 Hz up, half scale, never quiet) lasting `seconds`,
// so any silence heard comes from the player. LAME writes its Info tag (encoder delay and
// padding) unless `tagged` is false. Returns "ok" on success.
inline std::string makeTrack(const std::string& path, double seconds, bool tagged = true) {
    const std::string sweep = "0.5*sin(2*PI*(220*t+200*t*t))";
    return shellOutput("ffmpeg -hide_banner -loglevel error -y -f lavfi -i 'aevalsrc=" + sweep +
                       "|" + sweep + ":s=44100:d=" + std::to_string(seconds) +
                       "' -c:a libmp3lame -b:a 128k" + (tagged ? "" : " -write_xing 0") + " '" +
                       path + "' && echo ok");
}

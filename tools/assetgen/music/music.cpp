// The soundtrack: composed, synthesised, mixed and encoded to music/maxx.mp3.
#include <cstdio>
#include <ctime>
#include <string>

#include "common/generators.h"
#include "music/arrangement.h"
#include "music/encoder.h"
#include "music/mixer.h"

namespace gen {

bool generateMusic(const OutputDirs& out) {
    using namespace music;
    const std::clock_t start = std::clock();
    const Score score = compose();
    progress("music: score of " + std::to_string(kBars) + " bars composed");
    const Stereo loop =
        perform(score, [](const char* what) { progress(std::string("music: ") + what); });
    const std::string path = out.music + "/maxx.mp3";
    if (!writeMp3(loop, path))
        return false;
    // Processor time, not wall time: the figure holds however busy the machine is.
    const double cpu = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    char line[160];
    std::snprintf(line, sizeof line, "music/maxx.mp3 (%.1f s, %.1f LUFS, %.1f s of CPU)",
                  static_cast<double>(loop.frames()) / kSampleRate, integratedLoudness(loop), cpu);
    progress(line);
    return true;
}

} // namespace gen

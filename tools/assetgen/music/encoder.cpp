// MP3 encoding.
#include "music/encoder.h"

#include <lame/lame.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <vector>

namespace gen::music {

namespace {

constexpr int kChunkFrames = 8192;

// LAME's rule for the worst-case output of one call: 1.25 x the input plus 7200 bytes.
constexpr int kOutputBytes = kChunkFrames * 5 / 4 + 7200;

bool fail(const std::string& path, const char* what) {
    std::fprintf(stderr, "assetgen: %s: %s\n", path.c_str(), what);
    return false;
}

// Encodes everything into `file`, which must be open for reading and writing: the LAME tag
// is written last, over the placeholder frame at the start.
bool encode(lame_global_flags* lame, const Stereo& pcm, int kbps, FILE* file,
            const std::string& path) {
    lame_set_num_channels(lame, 2);
    lame_set_in_samplerate(lame, kSampleRate);
    lame_set_out_samplerate(lame, kSampleRate);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, kbps);
    lame_set_quality(lame, 3);
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0)
        return fail(path, "the MP3 encoder rejected its settings");
    std::vector<unsigned char> bytes(kOutputBytes);
    for (size_t at = 0; at < pcm.frames(); at += kChunkFrames) {
        const int count = static_cast<int>(std::min<size_t>(kChunkFrames, pcm.frames() - at));
        const int n =
            lame_encode_buffer_ieee_float(lame, pcm.left.data() + at, pcm.right.data() + at, count,
                                          bytes.data(), static_cast<int>(bytes.size()));
        if (n < 0)
            return fail(path, "the MP3 encoder failed");
        if (std::fwrite(bytes.data(), 1, static_cast<size_t>(n), file) != static_cast<size_t>(n))
            return fail(path, std::strerror(errno));
    }
    const int n = lame_encode_flush(lame, bytes.data(), static_cast<int>(bytes.size()));
    if (n < 0)
        return fail(path, "the MP3 encoder failed to flush");
    if (std::fwrite(bytes.data(), 1, static_cast<size_t>(n), file) != static_cast<size_t>(n))
        return fail(path, std::strerror(errno));
    lame_mp3_tags_fid(lame, file);
    return true;
}

} // namespace

bool writeMp3(const Stereo& pcm, const std::string& path, int kbps) {
    const std::string partial = path + ".part";
    FILE* file = std::fopen(partial.c_str(), "w+b");
    if (!file)
        return fail(partial, std::strerror(errno));
    lame_global_flags* lame = lame_init();
    bool ok = lame != nullptr;
    if (!ok)
        fail(path, "the MP3 encoder could not start");
    if (ok) {
        ok = encode(lame, pcm, kbps, file, path);
        lame_close(lame);
    }
    if (std::fclose(file) != 0 && ok)
        ok = fail(partial, std::strerror(errno));
    if (ok && std::rename(partial.c_str(), path.c_str()) != 0)
        ok = fail(path, std::strerror(errno));
    if (!ok)
        std::remove(partial.c_str());
    return ok;
}

} // namespace gen::music

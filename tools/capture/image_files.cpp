// PNG and JPEG output.
#include "image_files.h"

#include "process.h"

namespace capture {
namespace {

bool isJpeg(const std::string& path) {
    std::string ext = path.substr(path.find_last_of('.') + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext == "jpg" || ext == "jpeg";
}

} // namespace

bool writePicture(const std::string& path, const RgbImage& image, std::string* error) {
    if (!isJpeg(path))
        return writePng(path, image, error);
    if (!commandExists("ffmpeg")) {
        *error = "writing " + path +
                 " needs the ffmpeg command (apt-get install ffmpeg), "
                 "or give a .png name";
        return false;
    }
    const std::string size = std::to_string(image.width) + "x" + std::to_string(image.height);
    PipeProcess ffmpeg;
    if (!ffmpeg.start({"ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "rawvideo",
                       "-pix_fmt", "rgb24", "-s", size, "-i", "pipe:0", "-frames:v", "1", "-q:v",
                       "2", path},
                      error))
        return false;
    const bool written = ffmpeg.write(image.pixels.data(), image.pixels.size());
    std::string finishError;
    if (!ffmpeg.finish(&finishError) || !written) {
        *error = "cannot write " + path + ": " +
                 (finishError.empty() ? std::string("ffmpeg stopped reading") : finishError);
        return false;
    }
    return true;
}

} // namespace capture

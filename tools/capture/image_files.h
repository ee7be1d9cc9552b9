// Writing pictures: PNG through libpng, JPEG through the ffmpeg command.
#pragma once

#include <string>

#include "tools/picture/picture.h"

namespace capture {

using picture::RgbImage;
using picture::writePng;

// Writes `image` as .png or, for .jpg / .jpeg, as a high-quality JPEG made by ffmpeg.
bool writePicture(const std::string& path, const RgbImage& image, std::string* error);

} // namespace capture

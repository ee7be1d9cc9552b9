// Writing pictures: PNG through libpng, JPEG through the ffmpeg command.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace capture {

// An RGB picture, 3 bytes per pixel, top row first.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Writes `image` as a PNG file. False with `error` on failure.
bool writePng(const std::string& path, const RgbImage& image, std::string* error);

// Writes `image` as .png or, for .jpg / .jpeg, as a high-quality JPEG made by ffmpeg.
bool writePicture(const std::string& path, const RgbImage& image, std::string* error);

} // namespace capture

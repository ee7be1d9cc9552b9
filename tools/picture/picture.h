// RGB pictures for the capture tool: PNG output, a 5 x 7 pixel label font, and the regions
// of a mask.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace picture {

// An RGB picture, 3 bytes per pixel, top row first.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
};

// Glyph size of the label font at scale 1, in pixels.
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;

// Writes `image` as a PNG file. False with `error` on failure.
bool writePng(const std::string& path, const RgbImage& image, std::string* error);

// Draws `text` with the built-in 5 x 7 pixel font, each font pixel `scale` x `scale` image
// pixels, top-left corner at (x, y). It knows capitals (lower-case letters are drawn as
// capitals, but for a lower-case 's'), digits, '.', '_', '-', ':' and space; any other
// character is drawn as a space. Pixels outside the image are skipped.
void drawText(RgbImage* image, int x, int y, const std::string& text, int scale,
              const unsigned char rgb[3]);

// Width in image pixels of `text` drawn at `scale`.
int textWidth(const std::string& text, int scale);

// Separate 8-connected regions of the non-zero pixels of a width x height mask (row by row).
// Diagonal neighbours count, since a thin limb at a slant is drawn as a chain of pixels that
// touch only at their corners.
int countRegions(const std::uint8_t* mask, int width, int height);

} // namespace picture

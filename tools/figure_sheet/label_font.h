// A 5 x 7 pixel capital font for labelling pictures: letters, digits, '_', '.' and space.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sheet {

constexpr int kGlyphWidth = 5, kGlyphHeight = 7, kGlyphAdvance = 6;

// Rows of the glyph for `c` (case ignored), top first, bit 4 the leftmost pixel. Characters
// without a glyph come out blank.
const std::uint8_t* glyph(char c);

// Writes `text` into an RGB image (3 bytes per pixel, top row first) with its top-left corner
// at (x, y), each font pixel `scale` image pixels wide; clipped at the image's edges.
void drawText(std::vector<std::uint8_t>& rgb, int width, int height, int x, int y,
              const std::string& text, const std::uint8_t color[3], int scale = 1);

} // namespace sheet

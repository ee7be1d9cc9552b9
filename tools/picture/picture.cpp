// PNG output and the label font.
#include "tools/picture/picture.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstring>

namespace picture {
namespace {

struct Glyph {
    char c;
    std::uint8_t rows[kGlyphHeight]; // top row first; bit 4 is the leftmost column
};

const Glyph kGlyphs[] = {
    {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}},
    {'D', {0x1E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1E}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
    {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}},
    {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
    {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}},
    {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}},
    {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
    {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}},
    {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}},
    {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x0A, 0x04, 0x04, 0x04, 0x04}},
    {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}},
    {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}},
    {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}},
    {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}},
    {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}},
    {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'_', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1F}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}},
    {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'s', {0x00, 0x00, 0x0E, 0x10, 0x0E, 0x01, 0x1E}},
};

// The glyph of `c`: its own if it has one (the lower-case 's' of time labels), else that of
// its capital; null for characters the font does not know.
const Glyph* findGlyph(char c) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const Glyph* found = nullptr;
    for (const Glyph& g : kGlyphs) {
        if (g.c == c)
            return &g;
        if (g.c == upper)
            found = &g;
    }
    return found;
}

} // namespace

bool writePng(const std::string& path, const RgbImage& image, std::string* error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.width);
    png.height = static_cast<png_uint_32>(image.height);
    png.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&png, path.c_str(), 0, image.pixels.data(), 0, nullptr)) {
        *error = "cannot write " + path + ": " + png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}

int textWidth(const std::string& text, int scale) {
    if (text.empty())
        return 0;
    return static_cast<int>(text.size()) * (kGlyphWidth + 1) * scale - scale;
}

void drawText(RgbImage* image, int x, int y, const std::string& text, int scale,
              const unsigned char rgb[3]) {
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph* glyph = findGlyph(text[i]);
        if (!glyph)
            continue;
        const int left = x + static_cast<int>(i) * (kGlyphWidth + 1) * scale;
        for (int row = 0; row < kGlyphHeight; ++row)
            for (int col = 0; col < kGlyphWidth; ++col) {
                if (!(glyph->rows[row] & (0x10 >> col)))
                    continue;
                for (int dy = 0; dy < scale; ++dy)
                    for (int dx = 0; dx < scale; ++dx) {
                        const int px = left + col * scale + dx;
                        const int py = y + row * scale + dy;
                        if (px < 0 || py < 0 || px >= image->width || py >= image->height)
                            continue;
                        std::memcpy(
                            &image->pixels[(static_cast<size_t>(py) * image->width + px) * 3], rgb,
                            3);
                    }
            }
    }
}

int countRegions(const std::uint8_t* mask, int width, int height) {
    const size_t count = static_cast<size_t>(std::max(width, 0)) * std::max(height, 0);
    std::vector<std::uint8_t> seen(count, 0);
    std::vector<size_t> stack;
    int regions = 0;
    for (size_t start = 0; start < count; ++start) {
        if (mask[start] == 0 || seen[start])
            continue;
        ++regions;
        seen[start] = 1;
        stack.push_back(start);
        while (!stack.empty()) {
            const size_t p = stack.back();
            stack.pop_back();
            const int px = static_cast<int>(p % width), py = static_cast<int>(p / width);
            for (int ny = std::max(0, py - 1); ny <= std::min(height - 1, py + 1); ++ny)
                for (int nx = std::max(0, px - 1); nx <= std::min(width - 1, px + 1); ++nx) {
                    const size_t q = static_cast<size_t>(ny) * width + nx;
                    if (mask[q] != 0 && !seen[q]) {
                        seen[q] = 1;
                        stack.push_back(q);
                    }
                }
        }
    }
    return regions;
}

} // namespace picture

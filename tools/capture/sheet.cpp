// Contact sheet layout: labelled tiles in a grid.
#include "sheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace capture {
namespace {

constexpr int kGap = 6; // pixels between tiles and around the sheet

// Label scale for a tile width: readable on a 320-pixel tile, not shouting on a large one.
int labelScale(int tileWidth) {
    return std::max(1, std::min(4, tileWidth / 160));
}

} // namespace

std::string timeLabel(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", seconds);
    std::string s = text;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s + " s";
}

RgbImage scaleDown(const RgbImage& image, int width, int height) {
    if (width == image.width && height == image.height)
        return image;
    RgbImage out;
    out.width = width;
    out.height = height;
    out.pixels.resize(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const int y0 = static_cast<int>(static_cast<long long>(y) * image.height / height);
        const int y1 = std::max(
            y0 + 1, static_cast<int>(static_cast<long long>(y + 1) * image.height / height));
        for (int x = 0; x < width; ++x) {
            const int x0 = static_cast<int>(static_cast<long long>(x) * image.width / width);
            const int x1 = std::max(
                x0 + 1, static_cast<int>(static_cast<long long>(x + 1) * image.width / width));
            unsigned sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 3; ++c)
                        sum[c] +=
                            image.pixels[(static_cast<size_t>(sy) * image.width + sx) * 3 + c];
            const unsigned count = static_cast<unsigned>((y1 - y0) * (x1 - x0));
            for (int c = 0; c < 3; ++c)
                out.pixels[(static_cast<size_t>(y) * width + x) * 3 + c] =
                    static_cast<std::uint8_t>((sum[c] + count / 2) / count);
        }
    }
    return out;
}

RgbImage composeSheet(const std::vector<RgbImage>& tiles, const std::vector<std::string>& labels,
                      int columns) {
    RgbImage sheet;
    if (tiles.empty())
        return sheet;
    columns = std::max(1, std::min(columns, static_cast<int>(tiles.size())));
    const int rows = (static_cast<int>(tiles.size()) + columns - 1) / columns;
    const int tileW = tiles[0].width;
    const int tileH = tiles[0].height;
    const int scale = labelScale(tileW);
    const int labelH = picture::kGlyphHeight * scale + 2 * kGap;
    sheet.width = kGap + columns * (tileW + kGap);
    sheet.height = kGap + rows * (tileH + labelH + kGap);
    sheet.pixels.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, 24);

    const unsigned char white[3] = {235, 235, 235};
    for (size_t i = 0; i < tiles.size(); ++i) {
        const int col = static_cast<int>(i) % columns;
        const int row = static_cast<int>(i) / columns;
        const int x0 = kGap + col * (tileW + kGap);
        const int y0 = kGap + row * (tileH + labelH + kGap);
        for (int y = 0; y < tileH; ++y)
            std::memcpy(&sheet.pixels[(static_cast<size_t>(y0 + y) * sheet.width + x0) * 3],
                        &tiles[i].pixels[static_cast<size_t>(y) * tileW * 3],
                        static_cast<size_t>(tileW) * 3);
        if (i < labels.size()) {
            const int textX = x0 + (tileW - textWidth(labels[i], scale)) / 2;
            drawText(&sheet, textX, y0 + tileH + kGap, labels[i], scale, white);
        }
    }
    return sheet;
}

} // namespace capture

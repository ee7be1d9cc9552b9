// Painting helpers: noise layers, blended shapes, the bitmap font, neon halos.
#include "world/paint.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace gen {
namespace world {

float fbm(float x, float y, int period, int octaves, std::uint32_t seed) {
    float sum = 0, weight = 0, amp = 1;
    for (int o = 0; o < octaves; ++o) {
        sum += amp * valueNoise(x, y, period << o, seed + 7919u * o);
        weight += amp;
        amp *= 0.5f;
    }
    return sum / weight;
}

Color shade(Color c, float s) {
    return {c.r * s, c.g * s, c.b * s, c.a};
}

static void blendPixel(Image& img, int x, int y, Color c, float alpha) {
    if (x < 0 || y < 0 || x >= img.width || y >= img.height || alpha <= 0)
        return;
    Color& p = img.at(x, y);
    p = mix(p, c, std::min(alpha, 1.0f));
}

void fillCircle(Image& img, float cx, float cy, float r, Color c, float alpha) {
    fillRing(img, cx, cy, -1.0f, r, c, alpha);
}

void fillRing(Image& img, float cx, float cy, float r0, float r1, Color c, float alpha) {
    const int x0 = static_cast<int>(std::floor(cx - r1 - 1)), x1 = static_cast<int>(cx + r1 + 2);
    const int y0 = static_cast<int>(std::floor(cy - r1 - 1)), y1 = static_cast<int>(cy + r1 + 2);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy);
            const float cover = std::clamp(r1 - d + 0.5f, 0.0f, 1.0f) *
                                (r0 < 0 ? 1.0f : std::clamp(d - r0 + 0.5f, 0.0f, 1.0f));
            blendPixel(img, x, y, c, cover * alpha);
        }
}

void blendRect(Image& img, int x0, int y0, int x1, int y1, Color c, float alpha) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            blendPixel(img, x, y, c, alpha);
}

void addGlow(Image& img, float cx, float cy, float r, Color c, float strength) {
    const int x0 = std::max(0, static_cast<int>(cx - r)),
              x1 = std::min(img.width, static_cast<int>(cx + r + 1));
    const int y0 = std::max(0, static_cast<int>(cy - r)),
              y1 = std::min(img.height, static_cast<int>(cy + r + 1));
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / r;
            if (d >= 1)
                continue;
            const float k = strength * (1 - d) * (1 - d);
            Color& p = img.at(x, y);
            p.r = std::min(1.0f, p.r + c.r * k);
            p.g = std::min(1.0f, p.g + c.g * k);
            p.b = std::min(1.0f, p.b + c.b * k);
        }
}

namespace {

// 5 x 7 glyphs, one string of 7 rows of 5 columns each ('#' lit).
struct Glyph {
    char ch;
    const char* rows;
};

const Glyph kFont[] = {
    {'A', " ### #   ##   #######   ##   ##   #"},  {'B', "#### #   ##   ##### #   ##   ##### "},
    {'C', " ### #   ##    #    #    #   # ### "},  {'D', "#### #   ##   ##   ##   ##   ##### "},
    {'E', "######    #    #### #    #    #####"},  {'F', "######    #    #### #    #    #    "},
    {'G', " ### #   ##    # ####   ##   # ####"},  {'H', "#   ##   ##   #######   ##   ##   #"},
    {'I', " ###   #    #    #    #    #   ### "},  {'J', "  ###   #    #    #    # #  #  ##  "},
    {'K', "#   ##  # # #  ##   # #  #  # #   #"},  {'L', "#    #    #    #    #    #    #####"},
    {'M', "#   ### ### # ## # ##   ##   ##   #"},  {'N', "#   ###  ## # ##  ###   ##   ##   #"},
    {'O', " ### #   ##   ##   ##   ##   # ### "},  {'P', "#### #   ##   ##### #    #    #    "},
    {'Q', " ### #   ##   ##   ## # ##  #  ## #"},  {'R', "#### #   ##   ##### # #  #  # #   #"},
    {'S', " #####    #     ###     #    ##### "},  {'T', "#####  #    #    #    #    #    #  "},
    {'U', "#   ##   ##   ##   ##   ##   # ### "},  {'V', "#   ##   ##   ##   ##   # # #   #  "},
    {'W', "#   ##   ##   ## # ## # ## # # # # "},  {'X', "#   ##   # # #   #   # # #   ##   #"},
    {'Y', "#   ##   # # #   #    #    #    #  "},  {'Z', "#####    #   #   #   #   #    #####"},
    {'0', " ### #   ##  ### # ###  ##   # ### "},  {'1', "  #   ##    #    #    #    #   ### "},
    {'2', " ### #   #    #   #   #   #   #####"},  {'3', "#####   #   #     #     ##   # ### "},
    {'4', "   #   ##  # # #  # #####   #    # "},  {'5', "######    ####     #    ##   # ### "},
    {'6', "  ##  #   #    #### #   ##   # ### "},  {'7', "#####    #   #   #   #    #    #   "},
    {'8', " ### #   ##   # ### #   ##   # ### "},  {'9', " ### #   ##   # ####    #   #  ##  "},
    {'!', "  #    #    #    #    #         #  "},  {'-', "                ###                "},
    {'.', "                          ##   ##  "},  {'&', " ##  #  # # #   #   # # ##  #  ## #"},
    {'\'', "  #    #   #                       "}, {':', "      ##   ##        ##   ##       "},
};

const Glyph* findGlyph(char ch) {
    for (const Glyph& g : kFont)
        if (g.ch == ch)
            return &g;
    return nullptr;
}

} // namespace

int textWidth(const std::string& text, int scale) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * 6 * scale - scale;
}

int drawText(Image& img, int x, int y, const std::string& text, int scale, Color c) {
    int pen = x;
    for (char ch : text) {
        if (const Glyph* g = findGlyph(ch))
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g->rows[row * 5 + col] == '#')
                        img.fillRect(pen + col * scale, y + row * scale, pen + (col + 1) * scale,
                                     y + (row + 1) * scale, c);
        pen += 6 * scale;
    }
    return pen - x - scale;
}

void neonHalo(Image& img, Color core, Color halo, int radius) {
    std::vector<float> mask(static_cast<size_t>(img.width) * img.height, 0.0f);
    auto same = [&](const Color& p) {
        return std::fabs(p.r - core.r) < 1e-4f && std::fabs(p.g - core.g) < 1e-4f &&
               std::fabs(p.b - core.b) < 1e-4f;
    };
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x)
            if (same(img.at(x, y)))
                for (int dy = -radius; dy <= radius; ++dy)
                    for (int dx = -radius; dx <= radius; ++dx) {
                        const int qx = x + dx, qy = y + dy;
                        if (qx < 0 || qy < 0 || qx >= img.width || qy >= img.height)
                            continue;
                        const float d = std::sqrt(static_cast<float>(dx * dx + dy * dy)) / radius;
                        float& m = mask[static_cast<size_t>(qy) * img.width + qx];
                        m = std::max(m, std::max(0.0f, 1.0f - d));
                    }
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            Color& p = img.at(x, y);
            if (!same(p))
                p = mix(p, halo, 0.8f * mask[static_cast<size_t>(y) * img.width + x]);
        }
}

} // namespace world
} // namespace gen

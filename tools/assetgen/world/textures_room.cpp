// The hall's atlas: bricks, neon tubes, the neon name band, light panels and ceiling coffers.
// The hall is lit only by four coloured point lights that fade with distance and a little
// ambient light, and the fog brightens everything far away towards lavender grey, so what
// must read as lit is painted close to white and what must read as colour is saturated.
#include <algorithm>
#include <cmath>

#include "world/paint.h"
#include "world/textures.h"

namespace gen {
namespace world {
namespace {

constexpr int kBrickRows = 512, kTubeRow = 512, kTubeRows = 16, kSignRow = 576, kSignRows = 64;
constexpr int kPanelRow = 640, kPanelSide = 128, kCofferRow = 768, kCofferRows = 256;

Color grey(float v) {
    return {v, v, v, 1};
}

const Color kTubeColours[4] = {
    {1.0f, 0.20f, 0.75f, 1}, {0.15f, 0.90f, 1.0f, 1}, {1.0f, 0.82f, 0.35f, 1}, {1, 1, 1, 1}};

const Color kPanelColours[kLightPanels] = {{1.0f, 0.30f, 0.70f, 1}, {1.0f, 0.55f, 0.15f, 1},
                                           {1.0f, 0.92f, 0.25f, 1}, {1.0f, 0.97f, 0.90f, 1},
                                           {0.30f, 0.90f, 1.0f, 1}, {0.55f, 1.0f, 0.30f, 1},
                                           {0.70f, 0.40f, 1.0f, 1}, {1.0f, 0.25f, 0.25f, 1}};

AtlasRect band(int row, int rows, float unitsU, float unitsV) {
    return AtlasRect::pixels(0, row, kRoomSize, row + rows, kRoomSize, kRoomSize, unitsU, unitsV);
}

void paintBricks(Image& img) {
    Rng rng(151);
    for (int course = 0; course < 16; ++course) {
        const int shift = (course % 2) * 32;
        for (int b = 0; b < 17; ++b) {
            Color base = mix({0.56f, 0.25f, 0.17f, 1}, {0.74f, 0.40f, 0.27f, 1}, rng.uniform());
            if (rng.uniform() < 0.12f)
                base = {0.40f, 0.20f, 0.16f, 1}; // burnt brick
            for (int y = 0; y < 32; ++y)
                for (int x = 0; x < 64; ++x) {
                    const int px = ((b * 64 + shift + x) % kRoomSize + kRoomSize) % kRoomSize;
                    const int py = course * 32 + y;
                    const bool mortar = y < 4 || x < 4;
                    const float u = px / 1024.0f, v = py / 512.0f;
                    const float n = fbm(u, v, 32, 3, 152) - 0.5f;
                    const float soot = fbm(u, v, 2, 2, 153);
                    Color c = mortar ? Color{0.62f, 0.58f, 0.54f, 1} : shade(base, 1 + 0.35f * n);
                    c = shade(c, 1.0f - 0.30f * std::max(0.0f, soot - 0.5f) * 2);
                    img.at(px, py) = c;
                }
        }
    }
}

// A glass tube across the rows of a band: a white-hot core inside the tube's colour, dark
// clips at the edges. `across` runs 0..1 over the tube's height.
Color tube(Color colour, float across) {
    const float d = std::fabs(across - 0.5f) * 2; // 0 at the core, 1 at the edge
    if (d > 0.85f)
        return shade(colour, 0.25f);
    if (d < 0.35f)
        return mix(colour, {1, 1, 1, 1}, 0.6f * (1 - d / 0.35f));
    return shade(colour, 1.0f - 0.35f * (d - 0.35f) / 0.5f);
}

void paintTubes(Image& img) {
    for (int t = 0; t < 4; ++t)
        for (int y = 0; y < kTubeRows; ++y) {
            const Color c = tube(kTubeColours[t], (y + 0.5f) / kTubeRows);
            img.fillRect(0, kTubeRow + t * kTubeRows + y, kRoomSize,
                         kTubeRow + t * kTubeRows + y + 1, c);
        }
}

// The house name twice across, letters of pink tube with a soft pink halo on black, a star
// between the names.
void paintSign(Image& img) {
    Image sign(kRoomSize, kSignRows, {0.04f, 0.02f, 0.06f, 1});
    const Color core{1, 0.55f, 0.88f, 1}, halo{1.0f, 0.10f, 0.65f, 1};
    const std::string name = "QUORVEX";
    const int scale = 7, width = textWidth(name, scale);
    for (int k = 0; k < 2; ++k) {
        const int x0 = k * 512 + (512 - 80 - width) / 2 + 80;
        drawText(sign, x0, (kSignRows - 7 * scale) / 2, name, scale, core);
        // A four-pointed star in the gap before the name.
        const int sx = k * 512 + 40, sy = kSignRows / 2;
        for (int d = -18; d <= 18; ++d) {
            const int w = std::max(1, 4 - std::abs(d) / 5);
            sign.fillRect(sx + d, sy - w / 2, sx + d + 1, sy + w - w / 2, core);
            sign.fillRect(sx - w / 2, sy + d, sx + w - w / 2, sy + d + 1, core);
        }
    }
    neonHalo(sign, core, halo, 6);
    for (int y = 0; y < kSignRows; ++y)
        for (int x = 0; x < kRoomSize; ++x)
            img.at(x, kSignRow + y) = sign.at(x, y);
}

// Light boxes: a thin dark frame round a milky face, near white in the middle and the
// panel's colour towards the rim.
void paintPanels(Image& img) {
    for (int p = 0; p < kLightPanels; ++p)
        for (int y = 0; y < kPanelSide; ++y)
            for (int x = 0; x < kPanelSide; ++x) {
                const float dx = std::fabs(x + 0.5f - 64) / 64, dy = std::fabs(y + 0.5f - 64) / 64;
                const float d = std::max(dx, dy);
                Color c;
                if (d > 0.92f)
                    c = grey(0.08f);
                else if (d > 0.86f)
                    c = grey(0.55f); // chrome trim
                else {
                    const float r = std::min(1.0f, std::sqrt(dx * dx + dy * dy) / 1.1f);
                    c = mix(mix(kPanelColours[p], {1, 1, 1, 1}, 0.75f),
                            mix(kPanelColours[p], {1, 1, 1, 1}, 0.3f), r);
                }
                img.at(p * kPanelSide + x, kPanelRow + y) = c;
            }
}

// Lavender coffers in pale plaster frames, a round downlight in each. The ceiling fills the
// top of many of the tour's pictures and only the ambient light and the fog reach it, so it
// is painted light.
void paintCoffers(Image& img) {
    for (int y = 0; y < kCofferRows; ++y)
        for (int x = 0; x < kRoomSize; ++x) {
            const int cx = x % 128, cy = y % 128;
            const float ex = std::min(cx, 127 - cx), ey = std::min(cy, 127 - cy);
            const float edge = std::min(ex, ey);
            const float n = fbm(x / 1024.0f, y / 256.0f, 16, 2, 181) - 0.5f;
            Color c;
            if (edge < 3)
                c = grey(0.30f);
            else if (edge < 10)
                c = {0.78f + 0.08f * n, 0.74f + 0.08f * n, 0.80f + 0.08f * n, 1};
            else if (edge < 13)
                c = grey(0.34f);
            else
                c = {0.55f + 0.05f * n, 0.50f + 0.05f * n, 0.62f + 0.05f * n, 1};
            img.at(x, kCofferRow + y) = c;
        }
    for (int ty = 0; ty < 2; ++ty)
        for (int tx = 0; tx < 8; ++tx) {
            const float cx = tx * 128 + 64.0f, cy = kCofferRow + ty * 128 + 64.0f;
            fillCircle(img, cx, cy, 10, grey(0.35f));
            fillCircle(img, cx, cy, 7, {1.0f, 0.96f, 0.82f, 1});
        }
}

} // namespace

AtlasRect brickRect() {
    return band(0, kBrickRows, 48, 24);
}

AtlasRect neonRect(NeonTube tube, float unitsU, float height) {
    return band(kTubeRow + kTubeRows * static_cast<int>(tube), kTubeRows, unitsU, height);
}

AtlasRect neonSignRect(float unitsU, float height) {
    return band(kSignRow, kSignRows, unitsU, height);
}

AtlasRect lightPanelsRect(float panel) {
    return band(kPanelRow, kPanelSide, panel * kLightPanels, panel);
}

AtlasRect coffersRect(float tile) {
    return band(kCofferRow, kCofferRows, tile * 8, tile * 2);
}

AtlasRect darkRect() {
    return AtlasRect::pixels(0, kSignRow, 8, kSignRow + 4, kRoomSize, kRoomSize, 1, 1);
}

Image bricksTexture() {
    Image img(kRoomSize, kRoomSize);
    paintBricks(img);
    paintTubes(img);
    paintSign(img);
    paintPanels(img);
    paintCoffers(img);
    return img;
}

} // namespace world
} // namespace gen

// Textures of the disco: retro atlas, loudspeakers, wood, metal, floors, the beam. The hall
// is dimly lit, so the furnishings are painted light and saturated.
#include <algorithm>
#include <cmath>

#include "world/paint.h"
#include "world/textures.h"

namespace gen {
namespace world {
namespace {

const float kTau = 6.2831853f;

Color grey(float v) {
    return {v, v, v, 1};
}

} // namespace

AtlasRect retroRect(RetroPart part, float unitsU, float unitsV) {
    const int x0 = part == kCurtain ? 256 : 0, y0 = part == kSunburst ? 256 : 0;
    return AtlasRect::pixels(x0, y0, x0 + 256, y0 + 256, 512, 512, unitsU, unitsV);
}

AtlasRect retroPatch(int index) {
    const int x0 = 256 + (index % 4) * 64, y0 = 256 + (index / 4) * 64;
    // Sample only the middle of the patch: any size maps to one flat colour.
    return AtlasRect::pixels(x0 + 16, y0 + 16, x0 + 48, y0 + 48, 512, 512, 1, 1);
}

Image retroTexture() {
    Image img(512, 512);
    // Upholstery: pale cream vinyl with thin hot pink rings round peach and cream circles,
    // repeating every 256 pixels; mostly cream, as the lounge lies far from every light.
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float n = fbm(x / 256.0f, y / 256.0f, 32, 2, 101) - 0.5f;
            img.at(x, y) = shade({1.0f, 0.95f, 0.86f, 1}, 1 + 0.06f * n);
        }
    for (int cy = 0; cy < 4; ++cy)
        for (int cx = 0; cx < 4; ++cx) {
            const float px = cx * 64 + 32 + (cy % 2) * 32, py = cy * 64 + 32;
            for (int wrapX = -1; wrapX <= 1; ++wrapX) {
                const float qx = px + wrapX * 256;
                if (qx < -40 || qx > 296)
                    continue;
                fillRing(img, qx, py, 22, 26, {1.0f, 0.30f, 0.65f, 1});
                fillCircle(img, qx, py, 13, {1.0f, 0.78f, 0.48f, 1});
                fillCircle(img, qx, py, 7, {1.0f, 0.97f, 0.85f, 1});
            }
        }
    // Gold curtain: vertical pleats with glitter.
    Rng glitter(103);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float pleat = 0.5f + 0.5f * std::cos(x * kTau / 32.0f);
            Color c = mix({0.45f, 0.25f, 0.06f, 1}, {1.0f, 0.80f, 0.35f, 1}, pleat);
            if (glitter.uniform() < 0.02f)
                c = {1, 1, 0.9f, 1};
            img.at(256 + x, y) = c;
        }
    // Sunburst backdrop: rays from the bottom centre, magenta and orange.
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float dx = x + 0.5f - 128, dy = 256 - (y + 0.5f);
            const float a = std::atan2(dy, dx), r = std::sqrt(dx * dx + dy * dy);
            const bool ray = static_cast<int>(std::floor(a / (3.14159f / 16))) % 2 == 0;
            Color c = ray ? Color{0.95f, 0.35f, 0.55f, 1} : Color{1.0f, 0.62f, 0.15f, 1};
            c = shade(c, std::clamp(1.2f - r / 260.0f, 0.35f, 1.0f));
            if (r < 48)
                c = {1, 0.92f, 0.60f, 1};
            img.at(x, 256 + y) = c;
        }
    drawText(img, 128 - textWidth("QUORVEX", 4) / 2, 256 + 20, "QUORVEX", 4, {1, 1, 0.9f, 1});
    // Flat colour patches.
    const Color patches[16] = {grey(0.06f),
                               grey(0.75f),
                               {0.92f, 0.86f, 0.70f, 1},
                               {0.75f, 0.10f, 0.10f, 1},
                               {0.95f, 0.50f, 0.10f, 1},
                               {0.10f, 0.50f, 0.50f, 1},
                               {0.35f, 0.20f, 0.10f, 1},
                               {0.25f, 0.35f, 0.45f, 1},
                               grey(0.95f),
                               {0.15f, 0.45f, 0.20f, 1},
                               {0.90f, 0.60f, 0.15f, 1},
                               {0.45f, 0.15f, 0.55f, 1},
                               grey(0.45f),
                               {0.80f, 0.72f, 0.58f, 1},
                               grey(0.12f),
                               {1.0f, 1.0f, 0.85f, 1}};
    for (int i = 0; i < 16; ++i) {
        const int x0 = 256 + (i % 4) * 64, y0 = 256 + (i / 4) * 64;
        img.fillRect(x0, y0, x0 + 64, y0 + 64, patches[i]);
    }
    return img;
}

AtlasRect speakerFrontRect() {
    return AtlasRect::pixels(0, 0, 256, 512, 512, 512, 1, 1);
}

AtlasRect speakerSideRect(float unitsU, float unitsV) {
    return AtlasRect::pixels(256, 0, 512, 512, 512, 512, unitsU, unitsV);
}

Image loudspeakerTexture() {
    Image img(512, 512);
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const float n = valueNoise(x / 512.0f, y / 512.0f, 128, 111);
            img.at(x, y) = grey(0.10f + 0.05f * n);
        }
    // Front: a frame, a horn at the top, two woofers.
    img.fillRect(0, 0, 256, 8, grey(0.35f));
    img.fillRect(0, 504, 256, 512, grey(0.35f));
    img.fillRect(0, 0, 8, 512, grey(0.35f));
    img.fillRect(248, 0, 256, 512, grey(0.35f));
    img.fillRect(48, 24, 208, 88, grey(0.25f));
    for (int y = 30; y < 82; ++y)
        for (int x = 54; x < 202; ++x) {
            const float t = std::fabs(x - 128.0f) / 74.0f;
            img.at(x, y) = grey(0.05f + 0.35f * t);
        }
    fillCircle(img, 128, 56, 10, grey(0.7f));
    for (int w = 0; w < 2; ++w) {
        const float cy = 200 + w * 190.0f;
        fillCircle(img, 128, cy, 100, grey(0.85f)); // chrome surround
        fillCircle(img, 128, cy, 92, grey(0.05f));
        for (int r = 88; r > 30; r -= 2) // paper cone: brighter towards the centre
            fillCircle(img, 128, cy, static_cast<float>(r), grey(0.08f + 0.25f * (1 - r / 88.0f)));
        fillRing(img, 128, cy, 84, 90, grey(0.22f));
        fillCircle(img, 128, cy, 28, grey(0.50f));
        fillCircle(img, 128, cy, 22, grey(0.62f));
        for (int b = 0; b < 8; ++b) {
            const float a = b * kTau / 8;
            fillCircle(img, 128 + 96 * std::cos(a), cy + 96 * std::sin(a), 3, grey(0.8f));
        }
    }
    // A strip of amber light along the foot of the front.
    img.fillRect(16, 486, 240, 496, {1.0f, 0.75f, 0.30f, 1});
    // Side: rough covering with corner guards.
    for (int y = 0; y < 512; ++y)
        for (int x = 256; x < 512; ++x) {
            const float n = valueNoise(x / 512.0f, y / 512.0f, 256, 113);
            img.at(x, y) = grey(0.12f + 0.07f * n);
        }
    img.fillRect(256, 0, 512, 6, grey(0.55f));
    return img;
}

Image woodTexture() {
    Image img(512, 512);
    Rng rng(121);
    for (int plank = 0; plank < 8; ++plank) {
        const Color base = mix({0.86f, 0.64f, 0.42f, 1}, {0.98f, 0.80f, 0.56f, 1}, rng.uniform());
        const int joint = rng.below(512);
        const std::uint32_t seed = 130 + plank;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 512; ++x) {
                const float u = x / 512.0f, v = (plank * 64 + y) / 512.0f;
                const float grain = fbm(u * 0.25f, v * 4.0f, 4, 4, seed);
                const float rings = 0.5f + 0.5f * std::sin(grain * 40.0f);
                Color c = shade(base, 0.80f + 0.30f * rings);
                if (y < 2 || (x - joint + 512) % 512 < 2)
                    c = shade(base, 0.35f);
                img.at(x, plank * 64 + y) = c;
            }
    }
    return img;
}

Image metalTexture() {
    Image img(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float streak = valueNoise(x / 256.0f * 0.0625f, y / 256.0f, 256, 141);
            const float n = fbm(x / 256.0f, y / 256.0f, 4, 3, 142);
            img.at(x, y) = grey(0.55f + 0.20f * streak + 0.10f * (n - 0.5f));
        }
    for (int k = 0; k < 4; ++k) {
        const float cx = 16 + k * 64.0f;
        fillCircle(img, cx, 12, 5, grey(0.85f));
        fillCircle(img, cx + 1, 13, 3, grey(0.45f));
    }
    img.fillRect(0, 0, 256, 2, grey(0.3f));
    return img;
}

AtlasRect roundFloorRect(float diameter) {
    return AtlasRect::pixels(0, 0, 512, 512, kFloorSize, kFloorSize, diameter, diameter);
}

AtlasRect lightTilesRect(float units) {
    return AtlasRect::pixels(512, 0, 1024, 512, kFloorSize, kFloorSize, units, units);
}

AtlasRect stoneTilesRect(float unitsU, float unitsV) {
    return AtlasRect::pixels(0, 512, 1024, 1024, kFloorSize, kFloorSize, unitsU, unitsV);
}

Image floorTexture() {
    Image img(kFloorSize, kFloorSize);
    const Color palette[6] = {{1.0f, 0.25f, 0.75f, 1}, {0.25f, 0.85f, 1.0f, 1},
                              {1.0f, 0.90f, 0.25f, 1}, {1.0f, 0.50f, 0.15f, 1},
                              {0.60f, 0.30f, 1.0f, 1}, {0.95f, 0.95f, 0.95f, 1}};
    // Round floor: rings of lit cells around a star, dark outside the circle.
    Rng rng(161);
    const int rings = 7, sectors = 24;
    Color cells[7][24];
    for (auto& ring : cells)
        for (Color& c : ring)
            c = shade(palette[rng.below(6)], rng.range(0.55f, 1.0f));
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const float dx = x + 0.5f - 256, dy = y + 0.5f - 256;
            const float r = std::sqrt(dx * dx + dy * dy) / 256.0f;
            float a = std::atan2(dy, dx) / kTau;
            if (a < 0)
                a += 1;
            Color c = grey(0.06f);
            if (r < 0.14f) {
                const float star = std::fabs(std::cos(a * kTau * 4));
                c = r < 0.14f * (0.45f + 0.55f * star) ? Color{1, 0.95f, 0.8f, 1} : grey(0.1f);
            } else if (r < 0.97f) {
                const float fr = (r - 0.14f) / (0.97f - 0.14f) * rings;
                const int ri = std::min(rings - 1, static_cast<int>(fr));
                const int si = static_cast<int>(a * sectors) % sectors;
                const float gapR = std::fabs(fr - std::round(fr));
                const float gapA = std::fabs(a * sectors - std::round(a * sectors)) * r;
                if (gapR < 0.06f || gapA < 0.02f)
                    c = grey(0.05f);
                else {
                    const float centre = 1 - std::min(1.0f, std::fabs(fr - ri - 0.5f) * 1.6f);
                    c = shade(cells[ri][si], 0.6f + 0.4f * centre);
                }
            } else if (r < 1.0f)
                c = grey(0.75f); // chrome rim
            img.at(x, y) = c;
        }
    // Square light tiles: 8 x 8 tiles of 64 pixels, glowing centres.
    for (int ty = 0; ty < 8; ++ty)
        for (int tx = 0; tx < 8; ++tx) {
            const Color base = shade(palette[rng.below(6)], rng.range(0.8f, 1.0f));
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 64; ++x) {
                    const bool gap = x < 3 || y < 3;
                    const float d = std::max(std::fabs(x - 33.5f), std::fabs(y - 33.5f)) / 31.0f;
                    img.at(512 + tx * 64 + x, ty * 64 + y) =
                        gap ? grey(0.04f) : shade(base, 1.0f - 0.45f * d * d);
                }
        }
    // Polished stone in a checker: pale veined marble and dark plum granite, 8 x 4 tiles of
    // 128 pixels, thin brass joints.
    for (int ty = 0; ty < 4; ++ty)
        for (int tx = 0; tx < 8; ++tx) {
            const bool pale = (tx + ty) % 2 == 0;
            const float tone = pale ? rng.range(0.68f, 0.76f) : rng.range(0.32f, 0.38f);
            for (int y = 0; y < 128; ++y)
                for (int x = 0; x < 128; ++x) {
                    const int px = tx * 128 + x, py = 512 + ty * 128 + y;
                    const float n = fbm(px / 1024.0f, py / 512.0f, 16, 4, 171) - 0.5f;
                    const float vein = std::fabs(std::sin(px * 0.02f + py * 0.013f + 9 * n));
                    Color c = pale ? Color{tone, tone * 0.96f, tone * 1.02f, 1}
                                   : Color{tone * 1.15f, tone * 0.85f, tone * 1.2f, 1};
                    c = shade(c, 1 + 0.25f * n - (pale && vein < 0.06f ? 0.18f : 0.0f));
                    if (x < 3 || y < 3)
                        c = {0.70f, 0.55f, 0.30f, 1};
                    img.at(px, py) = c;
                }
        }
    return img;
}

Image beamTexture() {
    Image img(256, 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const float t = y / 255.0f; // 0 at the lamp, 1 at the rim
            const float fadeIn = std::min(1.0f, t / 0.06f);
            const float fall = std::pow(1.0f - t, 1.6f);
            const float streak = 0.75f + 0.25f * std::sin(x * kTau * 6 / 256.0f) *
                                             std::sin(x * kTau * 11 / 256.0f + 1.3f);
            const float k = fadeIn * fall * streak;
            img.at(x, y) = {0.95f * k, 0.90f * k, 0.78f * k, 1};
        }
    return img;
}

} // namespace world
} // namespace gen

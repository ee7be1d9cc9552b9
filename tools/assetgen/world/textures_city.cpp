// Textures of the city: ground, facades, roofs, the sky and the disco's front.
#include <algorithm>
#include <cmath>

#include "world/paint.h"
#include "world/textures.h"

namespace gen {
namespace world {
namespace {

Color grey(float v) {
    return {v, v, v, 1};
}

// Speckled tarmac tone for pixel (x, y) of a 512-wide tile.
Color tarmac(int x, int y, std::uint32_t seed, float base) {
    const float n = fbm(x / 512.0f, y / 512.0f, 8, 4, seed);
    const float grain = valueNoise(x / 512.0f, y / 512.0f, 256, seed + 3);
    const float v = base + 0.10f * (n - 0.5f) + 0.06f * (grain - 0.5f);
    return {v * 1.02f, v, v * 0.98f, 1};
}

} // namespace

AtlasRect groundRect(GroundStrip strip, float unitsU, float unitsV) {
    const int y0 = 128 * static_cast<int>(strip);
    return AtlasRect::pixels(0, y0, kGroundSize, y0 + 128, kGroundSize, kGroundSize, unitsU,
                             unitsV);
}

Image groundTexture() {
    Image img(kGroundSize, kGroundSize);
    // Road: tarmac, light gutters at both edges, solid edge lines, a dashed centre line.
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 512; ++x) {
            Color c = tarmac(x, y, 11, 0.26f);
            if (y < 6 || y >= 122)
                c = grey(0.50f + 0.06f * (valueNoise(x / 512.0f, y / 128.0f, 64, 5) - 0.5f));
            else if ((y >= 10 && y < 13) || (y >= 115 && y < 118))
                c = mix(c, {0.88f, 0.86f, 0.80f, 1}, 0.85f);
            else if (y >= 62 && y < 67 && (x % 256) < 150)
                c = mix(c, {0.95f, 0.80f, 0.35f, 1}, 0.9f);
            img.at(x, y) = c;
        }
    // Pavement slabs: 16 x 4 slabs of 32 pixels with dark joints.
    Rng slabs(21);
    float tone[4][16];
    for (auto& row : tone)
        for (float& t : row)
            t = slabs.range(0.50f, 0.62f);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 512; ++x) {
            const int sx = x / 32, sy = y / 32;
            const bool joint = x % 32 < 2 || y % 32 < 2;
            const float n = fbm(x / 512.0f, y / 512.0f, 16, 3, 23) - 0.5f;
            const float v = joint ? 0.30f : tone[sy][sx] + 0.08f * n;
            img.at(x, 128 + y) = {v * 1.03f, v, v * 0.95f, 1};
        }
    // Cobbles: rows of 16 pixels, stones 24 long, every other row shifted.
    Rng cobbles(31);
    img.fillRect(0, 256, 512, 384, grey(0.20f));
    for (int row = 0; row < 8; ++row) {
        const int shift = (row % 2) * 12;
        for (int k = -1; k < 22; ++k) {
            const float v = cobbles.range(0.38f, 0.58f);
            const Color stone{v * 1.10f, v * 0.95f, v * 0.88f, 1};
            for (int y = 1; y < 15; ++y)
                for (int x = 1; x < 23; ++x) {
                    const int px = ((k * 24 + shift + x) % 512 + 512) % 512;
                    const float edge = std::min({x - 1, 22 - x, y - 1, 14 - y}) / 3.0f;
                    img.at(px, 256 + row * 16 + y) =
                        shade(stone, 0.75f + 0.25f * std::min(1.0f, edge));
                }
        }
    }
    // Plain tarmac with darker patches.
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 512; ++x) {
            Color c = tarmac(x, y, 41, 0.30f);
            const float patch = fbm(x / 512.0f, y / 128.0f, 4, 2, 43);
            if (patch > 0.62f)
                c = shade(c, 0.8f);
            img.at(x, 384 + y) = c;
        }
    return img;
}

AtlasRect facadeRect(int style) {
    return AtlasRect::pixels(128 * style, 0, 128 * style + 128, kWindowsSize, kWindowsSize,
                             kWindowsSize, kFacadeBay, 8 * kStorey);
}

Image windowsTexture() {
    Image img(kWindowsSize, kWindowsSize);
    Rng rng(51);
    // The city is lit by one red light, so only value tells its surfaces apart: most windows
    // are lit near white, the walls are mid-toned, and white trims mark every storey.
    const Color warm{1.0f, 0.95f, 0.78f, 1}, cool{0.88f, 0.95f, 1.0f, 1};
    auto litColour = [&](float shadeDark) {
        const float r = rng.uniform();
        if (r < 0.42f)
            return mix(warm, {1, 0.8f, 0.55f, 1}, rng.uniform() * 0.5f);
        if (r < 0.60f)
            return cool;
        return Color{0.10f * shadeDark, 0.12f * shadeDark, 0.18f * shadeDark, 1};
    };
    for (int style = 0; style < 4; ++style) {
        const int x0 = style * 128;
        // Wall material.
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 128; ++x) {
                const float n = fbm(x / 128.0f, y / 512.0f, 4, 3, 60 + style) - 0.5f;
                Color c;
                switch (style) {
                case 0:
                    c = {0.50f, 0.52f, 0.58f, 1};
                    break; // office panels
                case 1: {  // brick
                    const bool mortar = y % 8 == 0 || (x + (y / 8 % 2) * 8) % 16 == 0;
                    c = mortar ? Color{0.55f, 0.52f, 0.48f, 1} : Color{0.58f, 0.30f, 0.22f, 1};
                    break;
                }
                case 2:
                    c = grey(0.62f);
                    break; // concrete
                default:
                    c = {0.78f, 0.68f, 0.52f, 1};
                    break; // stucco
                }
                img.at(x0 + x, y) = shade(c, 1.0f + 0.25f * n);
            }
        // Windows: four per storey row, eight storeys.
        for (int storey = 0; storey < 8; ++storey) {
            const int sy = storey * 64;
            if (style == 2) { // a continuous band of glass per storey
                blendRect(img, x0, sy + 22, x0 + 128, sy + 46, grey(0.15f), 1);
                for (int w = 0; w < 4; ++w) {
                    const Color c = litColour(1);
                    img.fillRect(x0 + w * 32 + 2, sy + 24, x0 + w * 32 + 31, sy + 44, c);
                    img.fillRect(x0 + w * 32 + 16, sy + 24, x0 + w * 32 + 17, sy + 44, grey(0.3f));
                }
                img.fillRect(x0, sy + 46, x0 + 128, sy + 49, grey(0.92f));
                continue;
            }
            for (int w = 0; w < 4; ++w) {
                const int wx = x0 + w * 32;
                int ax = 4, bx = 28, ay = 10, by = 56;
                if (style == 1) {
                    ax = 8;
                    bx = 24;
                    ay = 16;
                    by = 48;
                }
                if (style == 3) {
                    ax = 9;
                    bx = 23;
                    ay = 8;
                    by = 54;
                }
                const Color frame = style == 0 ? grey(0.55f) : grey(0.82f);
                img.fillRect(wx + ax - 2, sy + ay - 2, wx + bx + 2, sy + by + 2, frame);
                const Color glass = litColour(1);
                for (int y = ay; y < by; ++y)
                    for (int x = ax; x < bx; ++x) {
                        // Lit rooms brighter towards the ceiling; dark panes show a sheen.
                        const float t = static_cast<float>(y - ay) / (by - ay);
                        const float sheen =
                            0.06f * std::max(0.0f, 1 - std::fabs(x - ax - (y - ay) * 0.5f) / 6);
                        Color c = shade(glass, glass.r > 0.5f ? 1.0f - 0.25f * t : 1.0f);
                        c.r += sheen;
                        c.g += sheen;
                        c.b += sheen;
                        img.at(wx + x, sy + y) = c;
                    }
                // Mullions.
                img.fillRect(wx + (ax + bx) / 2, sy + ay, wx + (ax + bx) / 2 + 1, sy + by, frame);
                img.fillRect(wx + ax, sy + ay + (by - ay) / 3, wx + bx, sy + ay + (by - ay) / 3 + 1,
                             frame);
                if (style == 1 || style == 3) // sill
                    img.fillRect(wx + ax - 3, sy + by + 2, wx + bx + 3, sy + by + 5, grey(0.7f));
            }
            if (style != 2) // a white trim along every floor
                img.fillRect(x0, sy, x0 + 128, sy + 3, grey(0.92f));
            if (style == 3 && storey % 2 == 0) // balcony rails
                for (int x = 0; x < 128; x += 4)
                    img.fillRect(x0 + x, sy + 44, x0 + x + 1, sy + 58, grey(0.2f));
        }
        // Shop signs over the ground floor (the image's lowest storey): white boards with
        // dark letters, one name per facade style.
        static const char* const kSigns[4] = {"HOTEL", "BAR 24", "CAFE", "DISCO"};
        img.fillRect(x0 + 6, 452, x0 + 122, 468, grey(0.95f));
        img.fillRect(x0 + 6, 468, x0 + 122, 470, grey(0.25f));
        const int width = textWidth(kSigns[style], 2);
        drawText(img, x0 + 64 - width / 2, 453, kSigns[style], 2, {0.12f, 0.10f, 0.14f, 1});
    }
    return img;
}

AtlasRect roofRect(RoofPart part, float unitsU, float unitsV) {
    const int y0 = part == kGravel ? 0 : part == kParapet ? 256 : 384;
    const int y1 = part == kGravel ? 256 : part == kParapet ? 384 : 512;
    return AtlasRect::pixels(0, y0, 512, y1, 512, 512, unitsU, unitsV);
}

Image roofTexture() {
    Image img(512, 512);
    // Gravel roof, mapped once per roof: membrane strips with tar seams, patches, skylights
    // and drains.
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 512; ++x) {
            const float n = fbm(x / 512.0f, y / 256.0f, 16, 3, 71);
            const float speck = valueNoise(x / 512.0f, y / 256.0f, 256, 72);
            float v = 0.50f + 0.14f * (n - 0.5f) + 0.16f * (speck - 0.5f);
            if (fbm(x / 512.0f, y / 256.0f, 12, 2, 73) > 0.66f)
                v *= 0.72f; // tar patch
            if (x % 64 < 2 || y % 64 < 2)
                v = 0.30f; // seams
            if (y < 6 || y >= 250 || x < 6 || x >= 506)
                v = 0.36f; // gutter along the edge
            img.at(x, y) = {v * 1.03f, v, v * 0.93f, 1};
        }
    Rng rng(77);
    for (int k = 0; k < 5; ++k) {
        const int x0 = 40 + rng.below(400), y0 = 30 + rng.below(170);
        img.fillRect(x0 - 3, y0 - 3, x0 + 35, y0 + 25, grey(0.70f)); // skylight frame
        for (int y = y0; y < y0 + 22; ++y)
            for (int x = x0; x < x0 + 32; ++x)
                img.at(x, y) = grey(0.18f + 0.25f * static_cast<float>(x - x0 + y - y0) / 54.0f);
    }
    for (int k = 0; k < 4; ++k)
        fillCircle(img, 30 + rng.below(450), 20 + rng.below(210), 5, grey(0.15f));
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 512; ++x) {
            const float n = fbm(x / 512.0f, y / 128.0f, 8, 3, 74) - 0.5f;
            float v = 0.66f + 0.10f * n;
            if (y < 14)
                v = 0.80f; // coping stone
            else if (y < 18)
                v = 0.35f; // drip shadow
            v -= 0.18f * std::max(0.0f, (y - 18) / 110.0f) * fbm(x / 512.0f, 0.5f, 16, 2, 75);
            if (x % 64 == 0 && y > 14)
                v = 0.45f; // panel joint
            img.at(x, 256 + y) = grey(v);
        }
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 512; ++x) {
            const float rib = 0.5f + 0.5f * std::cos(x * 6.2831853f / 16.0f);
            const float rust = fbm(x / 512.0f, y / 128.0f, 8, 3, 76);
            Color c = grey(0.45f + 0.25f * rib);
            c = mix(c, {0.50f, 0.30f, 0.20f, 1}, std::max(0.0f, rust - 0.55f) * 2);
            img.at(x, 384 + y) = c;
        }
    return img;
}

Image cloudTexture() {
    Image img(512, 512);
    const Color sky{0.30f, 0.34f, 0.55f, 1}, cloud{0.92f, 0.88f, 0.95f, 1};
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const float u = x / 512.0f, v = y / 512.0f;
            const float n = fbm(u, v, 4, 5, 81);
            const float detail = fbm(u, v, 16, 3, 82);
            const float cover = std::clamp((n - 0.45f) * 3.0f + 0.3f * (detail - 0.5f), 0.0f, 1.0f);
            Color c = mix(sky, cloud, cover);
            c = shade(c, 0.85f + 0.3f * detail * cover);
            img.at(x, y) = c;
        }
    return img;
}

AtlasRect frontRect(FrontPart part, float unitsU, float unitsV) {
    switch (part) {
    case kFacade:
        return AtlasRect::pixels(0, 0, 1024, 512, 1024, 1024, kFacadeWidth, kFacadeHeight);
    case kSideBrick:
        return AtlasRect::pixels(0, 512, 1024, 768, 1024, 1024, unitsU, unitsV);
    case kMarquee:
        return AtlasRect::pixels(0, 768, 1024, 896, 1024, 1024, unitsU, unitsV);
    default:
        return AtlasRect::pixels(0, 896, 1024, 1024, 1024, 1024, unitsU, unitsV);
    }
}

Image discoFrontTexture() {
    Image img(1024, 1024);
    // Facade: 16 pixels per unit, 64 x 32 units; the door is centred.
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 1024; ++x) {
            const float n = fbm(x / 1024.0f, y / 512.0f, 8, 3, 91) - 0.5f;
            Color c{0.20f, 0.10f, 0.24f, 1};
            if (x % 128 < 3)
                c = {0.35f, 0.30f, 0.40f, 1}; // panel joints
            img.at(x, y) = shade(c, 1 + 0.3f * n);
        }
    // Marquee frame of bulbs around the sign.
    const int sx0 = 160, sx1 = 864, sy0 = 40, sy1 = 250;
    img.fillRect(sx0, sy0, sx1, sy1, {0.08f, 0.03f, 0.10f, 1});
    for (int x = sx0 + 8; x < sx1; x += 24) {
        fillCircle(img, x, sy0 + 8, 5, {1, 0.95f, 0.7f, 1});
        fillCircle(img, x, sy1 - 8, 5, {1, 0.95f, 0.7f, 1});
    }
    for (int y = sy0 + 32; y < sy1 - 16; y += 24) {
        fillCircle(img, sx0 + 8, y, 5, {1, 0.95f, 0.7f, 1});
        fillCircle(img, sx1 - 8, y, 5, {1, 0.95f, 0.7f, 1});
    }
    // The sign: a white-hot core with a pink halo.
    const Color core{1.0f, 0.93f, 0.97f, 1}, pink{1.0f, 0.25f, 0.70f, 1};
    const std::string title = "DISCO";
    const int scale = 20;
    drawText(img, 512 - textWidth(title, scale) / 2, 70, title, scale, core);
    const Color coreB{1.0f, 0.97f, 0.80f, 1}, amber{1.0f, 0.6f, 0.15f, 1};
    drawText(img, 512 - textWidth("QUORVEX", 6) / 2, 292, "QUORVEX", 6, coreB);
    neonHalo(img, core, pink, 10);
    neonHalo(img, coreB, amber, 6);
    // Door: 6 units wide, 4.4 high, centred, with a lit frame.
    const int dx0 = 512 - 48, dx1 = 512 + 48, dy0 = 512 - 72;
    img.fillRect(dx0 - 6, dy0 - 6, dx1 + 6, 512, {0.85f, 0.80f, 0.70f, 1});
    for (int y = dy0; y < 512; ++y)
        for (int x = dx0; x < dx1; ++x) {
            const float t = static_cast<float>(y - dy0) / 72.0f;
            img.at(x, y) = {0.10f + 0.25f * t, 0.05f + 0.08f * t, 0.12f + 0.10f * t, 1};
        }
    img.fillRect(511, dy0, 513, 512, {0.6f, 0.55f, 0.5f, 1});
    img.fillRect(500, dy0 + 36, 504, dy0 + 52, {0.9f, 0.85f, 0.7f, 1});
    img.fillRect(520, dy0 + 36, 524, dy0 + 52, {0.9f, 0.85f, 0.7f, 1});
    // Posters either side of the door and lit show-case frames.
    Rng rng(93);
    const Color posterColours[4] = {
        {1, 0.8f, 0.2f, 1}, {0.95f, 0.35f, 0.25f, 1}, {0.9f, 0.9f, 0.85f, 1}, {1, 0.5f, 0.8f, 1}};
    for (int i = 0; i < 6; ++i) {
        const int px = i < 3 ? 120 + i * 100 : 620 + (i - 3) * 100;
        const int py = 360;
        img.fillRect(px - 4, py - 4, px + 68, py + 100, {0.8f, 0.75f, 0.6f, 1});
        const Color base = posterColours[i % 4];
        img.fillRect(px, py, px + 64, py + 96, base);
        fillCircle(img, px + 32, py + 36, 20, shade(base, 0.45f));
        fillCircle(img, px + 32, py + 36, 8, {1, 1, 0.9f, 1});
        for (int line = 0; line < 3; ++line)
            img.fillRect(px + 8, py + 66 + line * 8, px + 8 + 16 + rng.below(40),
                         py + 70 + line * 8, shade(base, 0.3f));
    }
    // Side walls: painted brick.
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 1024; ++x) {
            const bool mortar = y % 16 < 2 || (x + (y / 16 % 2) * 24) % 48 < 2;
            const float n = fbm(x / 1024.0f, y / 256.0f, 8, 3, 95) - 0.5f;
            Color c = mortar ? Color{0.18f, 0.12f, 0.20f, 1} : Color{0.30f, 0.16f, 0.32f, 1};
            img.at(x, 512 + y) = shade(c, 1 + 0.35f * n);
        }
    // Marquee strip: chrome with a row of bulbs.
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 1024; ++x) {
            const float t = y / 127.0f;
            img.at(x, 768 + y) = grey(0.45f + 0.35f * std::sin(t * 3.14159f));
        }
    for (int x = 16; x < 1024; x += 32)
        fillCircle(img, x, 768 + 64, 12, {1, 0.95f, 0.75f, 1});
    // Tar roof.
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 1024; ++x)
            img.at(x, 896 + y) = grey(0.22f + 0.08f * fbm(x / 1024.0f, y / 128.0f, 16, 3, 97));
    return img;
}

} // namespace world
} // namespace gen

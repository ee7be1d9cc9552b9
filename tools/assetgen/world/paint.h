// Painting helpers for the world's textures: layered noise, shapes and a small bitmap font.
// Coordinates are pixels, y down from the image's top; colours 0..1.
#pragma once

#include <cstdint>
#include <string>

#include "common/image.h"

namespace gen {
namespace world {

// Tileable fractal noise in [0, 1]: `octaves` layers of valueNoise from `period` cells up.
float fbm(float x, float y, int period, int octaves, std::uint32_t seed);

// Colour scaled by s (alpha kept).
Color shade(Color c, float s);

// Disc at (cx, cy) of radius r, antialiased edge, blended over the image with `alpha`.
void fillCircle(Image& img, float cx, float cy, float r, Color c, float alpha = 1.0f);
// Ring between radii r0 < r1.
void fillRing(Image& img, float cx, float cy, float r0, float r1, Color c, float alpha = 1.0f);
// Rectangle blended with `alpha` (fillRect of Image overwrites).
void blendRect(Image& img, int x0, int y0, int x1, int y1, Color c, float alpha);
// Soft glow: adds c * strength * (1 - d / r)^2 around (cx, cy).
void addGlow(Image& img, float cx, float cy, float r, Color c, float strength);

// Text in a 5 x 7 pixel font (capitals, digits, a few signs), each font pixel `scale` image
// pixels, letters one font pixel apart. Returns the width drawn.
int drawText(Image& img, int x, int y, const std::string& text, int scale, Color c);
int textWidth(const std::string& text, int scale);

// Adds a neon look to a drawn mask: every pixel equal to `core` also lights a halo.
void neonHalo(Image& img, Color core, Color halo, int radius);

} // namespace world
} // namespace gen

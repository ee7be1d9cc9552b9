// RGBA images for PNG output, top row first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gen {

struct Color {
    float r, g, b, a = 1.0f; // 0..1
};

Color mix(Color a, Color b, float t);

struct Image {
    int width = 0, height = 0;
    std::vector<Color> pixels; // row-major, row 0 is the top

    Image(int w, int h, Color fill = {0, 0, 0, 1});
    Color& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    const Color& at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // Wrapping access, for tileable filters.
    Color& wrap(int x, int y);
    void fillRect(int x0, int y0, int x1, int y1, Color c); // [x0,x1) x [y0,y1), clipped
};

// Writes 8-bit RGB (withAlpha false) or RGBA PNG. Returns false when it cannot be written.
bool writePng(const Image& image, const std::string& path, bool withAlpha = false);

// Deterministic pseudo-random numbers (xorshift64*), fixed seeds only.
class Rng {
  public:
    explicit Rng(std::uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
    std::uint64_t next();
    float uniform();                 // [0, 1)
    float range(float lo, float hi); // [lo, hi)
    int below(int n);                // [0, n)

  private:
    std::uint64_t state_;
};

// Smooth tileable value noise in [0, 1] with `period` lattice cells across the image.
float valueNoise(float x, float y, int period, std::uint32_t seed);

} // namespace gen

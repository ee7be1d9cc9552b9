// Images, the PNG writer and seeded noise.
#include "common/image.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace gen {

Color mix(Color a, Color b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
            a.a + (b.a - a.a) * t};
}

Image::Image(int w, int h, Color fill)
    : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {}

Color& Image::wrap(int x, int y) {
    x %= width;
    y %= height;
    return at(x < 0 ? x + width : x, y < 0 ? y + height : y);
}

void Image::fillRect(int x0, int y0, int x1, int y1, Color c) {
    for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
            at(x, y) = c;
}

static std::uint8_t toByte(float v) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

// setjmp lives in this function alone, with nothing to destroy between it and libpng.
static bool writeRows(FILE* f, int width, int height, bool withAlpha, png_bytep* rows) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png)
        return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, f);
    // Stored (uncompressed) deflate blocks of unfiltered rows: the files are about as large as
    // the pixels, but the demo decodes them at start-up with a copy per row instead of
    // inflating Huffman codes and undoing a Paeth or Sub filter on every byte, which was
    // nearly all of its texture decoding time.
    png_set_compression_level(png, 0);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, width, height, 8, withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool writePng(const Image& image, const std::string& path, bool withAlpha) {
    const int channels = withAlpha ? 4 : 3;
    std::vector<std::uint8_t> bytes(static_cast<size_t>(image.width) * image.height * channels);
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const Color& c = image.pixels[i];
        bytes[i * channels + 0] = toByte(c.r);
        bytes[i * channels + 1] = toByte(c.g);
        bytes[i * channels + 2] = toByte(c.b);
        if (withAlpha)
            bytes[i * channels + 3] = toByte(c.a);
    }
    std::vector<png_bytep> rows(image.height);
    for (int y = 0; y < image.height; ++y)
        rows[y] = &bytes[static_cast<size_t>(y) * image.width * channels];
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = writeRows(f, image.width, image.height, withAlpha, rows.data());
    return std::fclose(f) == 0 && ok;
}

std::uint64_t Rng::next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
}

float Rng::uniform() { return static_cast<float>(next() >> 40) / static_cast<float>(1ull << 24); }

float Rng::range(float lo, float hi) { return lo + (hi - lo) * uniform(); }

int Rng::below(int n) { return n > 0 ? static_cast<int>(next() % static_cast<std::uint64_t>(n)) : 0; }

static float lattice(int x, int y, std::uint32_t seed) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u +
                      static_cast<std::uint32_t>(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return static_cast<float>(h & 0xFFFFFF) / static_cast<float>(0xFFFFFF);
}

float valueNoise(float x, float y, int period, std::uint32_t seed) {
    const float fx = x * period, fy = y * period;
    const int x0 = static_cast<int>(std::floor(fx)), y0 = static_cast<int>(std::floor(fy));
    const float tx = fx - x0, ty = fy - y0;
    auto cell = [&](int cx, int cy) {
        cx %= period;
        cy %= period;
        return lattice(cx < 0 ? cx + period : cx, cy < 0 ? cy + period : cy, seed);
    };
    const float sx = tx * tx * (3 - 2 * tx), sy = ty * ty * (3 - 2 * ty);
    const float top = cell(x0, y0) + (cell(x0 + 1, y0) - cell(x0, y0)) * sx;
    const float bottom = cell(x0, y0 + 1) + (cell(x0 + 1, y0 + 1) - cell(x0, y0 + 1)) * sx;
    return top + (bottom - top) * sy;
}

} // namespace gen

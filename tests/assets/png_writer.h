// Test fixtures: PNG files written through libpng in any colour type, bit depth and
// interlacing, from plain sample values.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct PngImage {
    int width = 0;
    int height = 0;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    // Samples row by row, top row first, channels per pixel as the colour type has them
    // (palette: one index); each sample within 0 .. 2^bitDepth - 1.
    std::vector<uint16_t> samples;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha; // tRNS for palette images (one alpha per entry)
    bool hasTransparentColor = false;   // tRNS for grey and RGB images
    png_color_16 transparentColor{};
};

inline int pngChannels(int colorType) {
    switch (colorType) {
    case PNG_COLOR_TYPE_GRAY:
    case PNG_COLOR_TYPE_PALETTE:
        return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
        return 2;
    case PNG_COLOR_TYPE_RGB:
        return 3;
    default:
        return 4;
    }
}

// Packs the samples into file rows (most significant bits first, 16-bit big-endian) and
// writes them. Returns false on any failure.
inline bool writePng(const std::string& path, const PngImage& image) {
    const int channels = pngChannels(image.colorType);
    const int bitsPerPixel = channels * image.bitDepth;
    const size_t rowBytes = (size_t(image.width) * bitsPerPixel + 7) / 8;
    std::vector<std::vector<png_byte>> rows(image.height, std::vector<png_byte>(rowBytes, 0));
    for (int y = 0; y < image.height; ++y) {
        for (int i = 0; i < image.width * channels; ++i) {
            const unsigned sample = image.samples[size_t(y) * image.width * channels + i];
            png_byte* row = rows[y].data();
            if (image.bitDepth == 16) {
                row[2 * i] = png_byte(sample >> 8);
                row[2 * i + 1] = png_byte(sample & 0xFF);
            } else if (image.bitDepth == 8) {
                row[i] = png_byte(sample);
            } else {
                const int bit = i * image.bitDepth;
                row[bit / 8] |= png_byte(sample << (8 - image.bitDepth - bit % 8));
            }
        }
    }
    std::vector<png_bytep> pointers;
    for (auto& row : rows)
        pointers.push_back(row.data());
    // Nothing with a destructor is created between here and a possible longjmp.
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!image.palette.empty())
        png_set_PLTE(png, info, image.palette.data(), int(image.palette.size()));
    if (!image.paletteAlpha.empty())
        png_set_tRNS(png, info, image.paletteAlpha.data(), int(image.paletteAlpha.size()), nullptr);
    if (image.hasTransparentColor)
        png_set_tRNS(png, info, nullptr, 0, &image.transparentColor);
    png_set_rows(png, info, pointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

// A plain 8-bit RGBA image: `bgra` holds width x height pixels in blue, green, red, alpha
// order, top row first (the layout the loader produces).
inline bool writeBgraPng(const std::string& path, int width, int height,
                         const std::vector<uint8_t>& bgra) {
    PngImage image;
    image.width = width;
    image.height = height;
    image.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    image.samples.resize(bgra.size());
    for (size_t i = 0; i + 3 < bgra.size(); i += 4) {
        image.samples[i] = bgra[i + 2];
        image.samples[i + 1] = bgra[i + 1];
        image.samples[i + 2] = bgra[i];
        image.samples[i + 3] = bgra[i + 3];
    }
    return writePng(path, image);
}

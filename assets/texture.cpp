// PNG decoding through libpng, and the GL upload and binding of textures.
#include "assets/texture.h"

#include <png.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <utility>

#include "platform/fatal.h"
#include "platform/input_file.h"
#include "platform/prefetch.h"

namespace {

// Ancillary chunks (text, ICC profiles) larger than this are refused rather than allocated.
constexpr png_alloc_size_t kMaxChunkBytes = 8u * 1024u * 1024u;

enum class DecodeResult { ok, failed, outOfMemory };

// libpng reports errors here; jumping back to the recovery point in decodePng is the only
// way out that does not let libpng continue with a broken stream.
void onPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

// Warnings (unknown chunks, bad CRCs in ancillary chunks) are not worth a word.
void onPngWarning(png_structp, png_const_charp) {}

// Widens rows of 8-bit red, green, blue, each stored at byte `width` of its 4 * width byte row,
// to red, green, blue, 0xFF in place. Working forward is safe: pixel x is written to bytes
// 4x..4x+3, below the first byte (width + 3x + 3) of the pixels not yet read.
void expandRgbRows(unsigned char* pixels, std::size_t width, std::size_t height) {
    for (std::size_t y = 0; y < height; ++y) {
        unsigned char* row = pixels + y * width * 4;
        const unsigned char* rgb = row + width;
        std::size_t x = 0;
        // Four bytes are loaded per pixel; the last pixel's fourth byte would lie past the row.
        for (; x + 1 < width; ++x) {
            std::uint32_t v;
            std::memcpy(&v, rgb + 3 * x, 4);
            // Little-endian R G B n as a word: the top byte is the alpha.
            v |= 0xFF000000u;
            std::memcpy(row + 4 * x, &v, 4);
        }
        for (; x < width; ++x) {
            const unsigned char r = rgb[3 * x], g = rgb[3 * x + 1], b = rgb[3 * x + 2];
            row[4 * x] = r;
            row[4 * x + 1] = g;
            row[4 * x + 2] = b;
            row[4 * x + 3] = 0xFF;
        }
    }
}

// The part of the decoding that libpng may leave by longjmp. Kept free of anything with a
// destructor; every resource is a plain pointer that the error path releases. On success the
// buffer is stored in *out and owned by the caller.
DecodeResult decodePng(std::FILE* file, int32_t* width, int32_t* height, unsigned char** out) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onPngError, onPngWarning);
    if (!png)
        return DecodeResult::failed;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return DecodeResult::failed;
    }
    // Written between setjmp and a possible longjmp, so volatile to survive the jump.
    unsigned char* volatile pixels = nullptr;
    png_bytep* volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete[] rows;
        delete[] pixels;
        return DecodeResult::failed;
    }
    // A header claiming a huge image is refused inside png_read_info, before any allocation.
    png_set_user_limits(png, kMaxPngSide, kMaxPngSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    // Only IHDR, PLTE, tRNS, IDAT and IEND matter; every other chunk (text, ICC profiles,
    // gamma) is skipped unread, so no ancillary chunk is ever buffered or decompressed.
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);

    // The zlib stream's Adler-32 is not computed: the chunks' CRCs, which are checked, cover
    // the same bytes, and the generator's stored blocks make the checksum most of the
    // remaining decoding work.
#ifdef PNG_IGNORE_ADLER32
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_init_io(png, file);
    png_read_info(png, info);

    png_uint_32 w = 0, h = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(png, info, &w, &h, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    *width = static_cast<int32_t>(w);
    *height = static_cast<int32_t>(h);

    // 8-bit RGB, the generator's format, is read as it is stored and widened to red, green,
    // blue, alpha by expandRgbRows in one pass: libpng's filler transform costs another pass
    // over every row.
    const bool plainRgb = colorType == PNG_COLOR_TYPE_RGB && bitDepth == 8 &&
                          !png_get_valid(png, info, PNG_INFO_tRNS);
    // Whatever the colour type, end with 8-bit red, green, blue, alpha.
    png_set_strip_16(png);
    png_set_packing(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (!plainRgb)
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const std::size_t rowBytes = static_cast<std::size_t>(w) * 4;
    if (png_get_rowbytes(png, info) != (plainRgb ? rowBytes / 4 * 3 : rowBytes)) {
        png_destroy_read_struct(&png, &info, nullptr);
        return DecodeResult::failed;
    }
    pixels = new (std::nothrow) unsigned char[rowBytes * h];
    if (!pixels) {
        png_destroy_read_struct(&png, &info, nullptr);
        return DecodeResult::outOfMemory;
    }
    rows = new (std::nothrow) png_bytep[h];
    if (!rows) {
        png_destroy_read_struct(&png, &info, nullptr);
        delete[] pixels;
        return DecodeResult::failed;
    }
    // Plain RGB rows are read into the last three quarters of their RGBA rows.
    const std::size_t rgbOffset = plainRgb ? w : 0;
    for (png_uint_32 i = 0; i < h; ++i)
        rows[i] = pixels + i * rowBytes + rgbOffset;

    png_read_image(png, rows);
    png_read_end(png, nullptr);
    if (plainRgb)
        expandRgbRows(pixels, w, h);

    png_destroy_read_struct(&png, &info, nullptr);
    delete[] rows;
    *out = pixels;
    return DecodeResult::ok;
}

} // namespace

unsigned char* loadPng(const char* path, int32_t& width, int32_t& height) {
    std::string reason; // the one line of Texture::load says enough
    std::FILE* file = platform::openInputFile(path, platform::kMaxPngBytes, &reason);
    if (!file)
        return nullptr;
    unsigned char* pixels = nullptr;
    const DecodeResult result = decodePng(file, &width, &height, &pixels);
    std::fclose(file);
    if (result == DecodeResult::outOfMemory)
        throw std::bad_alloc();
    return result == DecodeResult::ok ? pixels : nullptr;
}

namespace {

// A PNG decoded on the prefetch thread, waiting for its Texture::load.
struct DecodedPng {
    int32_t width = 0, height = 0;
    unsigned char* pixels = nullptr; // null when the file could not be decoded
    ~DecodedPng() { delete[] pixels; }
};

std::string prefetchKey(const char* path) {
    return std::string("png:") + path;
}

} // namespace

void prefetchPng(const char* path) {
    const std::string file(path);
    platform::queuePrefetch(prefetchKey(path), [file] {
        auto decoded = std::make_shared<DecodedPng>();
        decoded->pixels = loadPng(file.c_str(), decoded->width, decoded->height);
        return platform::PrefetchResult(decoded);
    });
}

void Texture::load(const char* path) {
    delete[] pixels;
    pixels = nullptr;
    platform::PrefetchResult result;
    if (platform::takePrefetched(prefetchKey(path), &result)) {
        DecodedPng& decoded = *static_cast<DecodedPng*>(result.get());
        width = decoded.width;
        height = decoded.height;
        std::swap(pixels, decoded.pixels);
    } else {
        pixels = loadPng(path, width, height);
    }
    if (!pixels) {
        std::cout << "png file not found! : " << path << std::endl;
        platform::fatalExit(1);
    }
    glGenTextures(1, &textureId);
    glBindTexture(GL_TEXTURE_2D, textureId);
    // RGBA bytes are stored as they are: llvmpipe keeps a texture of 4 components as RGBA, and
    // BGRA input cost a per-pixel conversion, three times the copy.
    glTexImage2D(GL_TEXTURE_2D, 0, 4, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

void Texture::bind() {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, textureId);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
}

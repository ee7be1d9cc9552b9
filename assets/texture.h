// PNG textures: decoded to RGBA bytes and uploaded once as a GL 2-D texture.
#pragma once

#include <GL/gl.h>

#include <cstdint>

// Decodes the PNG file at `path` into a new buffer of width x height pixels, 4 bytes each in
// the order red, green, blue, alpha (alpha 0xFF where the image has none). Rows follow each
// other without padding; row 0 is the first row stored in the file, the top of the image.
// Every PNG colour type and bit depth is accepted (grey is turned into colour, 16-bit samples
// are cut to 8 bits, palettes and transparency chunks are expanded); images wider or taller
// than kMaxPngSide are refused. `width` and `height` are written once the header is read.
// Returns null when the file cannot be opened or is not a readable PNG (nothing is leaked);
// the caller owns the buffer and releases it with delete[]. Throws std::bad_alloc when the
// pixel buffer cannot be allocated.
unsigned char* loadPng(const char* path, int32_t& width, int32_t& height);

// Queues the decoding of the PNG file at `path` on the prefetch thread (platform/prefetch.h),
// so that a later Texture::load of the same path only uploads it. The file is read when the
// prefetch thread gets to it; Texture::load of the path then behaves exactly as without the
// prefetch, failure message included.
void prefetchPng(const char* path);

// The largest width or height loadPng accepts, in pixels.
constexpr int32_t kMaxPngSide = 8192;

// All fields start at zero (constant-initialised, so a static Texture is ready before any
// code runs). No destructor: a texture is loaded once and its GL texture and pixel buffer
// live until the process ends.
class Texture {
  public:
    int32_t width = 0;               // pixels, from the PNG header
    int32_t height = 0;              // pixels
    unsigned char* pixels = nullptr; // width x height RGBA pixels, top row first; owned
    GLuint textureId = 0;            // GL texture name, 0 until load

    // Decodes `path` and uploads it as this texture's own GL texture (level 0, internal format
    // 4, GL_RGBA bytes, no mipmaps, no parameters), which stays bound afterwards. Needs a
    // current GL context. On failure prints "png file not found! : <path>" on standard output
    // and ends the process with status 1.
    void load(const char* path);

    // Enables GL_TEXTURE_2D, binds the texture and sends GL_REPEAT wrap and GL_NEAREST filters
    // in both directions, every time (nothing is cached, so it can be recorded in a display
    // list).
    void bind();
};

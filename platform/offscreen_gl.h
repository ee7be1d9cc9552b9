// An OpenGL compatibility context with no window: EGL on Mesa (no X server needed) and a
// framebuffer object of any size that all drawing goes to. Used by the capture tool and tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class OffscreenGl {
  public:
    OffscreenGl() = default;
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    // Creates the context and a width x height RGBA8 + depth24/stencil8 framebuffer, makes both
    // current. Returns false and fills `error` when EGL or the framebuffer cannot be set up.
    bool create(int width, int height, std::string* error);

    // Reads the framebuffer as RGB bytes, top row first (ready for an image file).
    std::vector<std::uint8_t> readRgbTopDown() const;
    // Reads the framebuffer as RGBA bytes in GL's order (bottom row first).
    std::vector<std::uint8_t> readRgbaBottomUp() const;

    int width() const { return width_; }
    int height() const { return height_; }

  private:
    void destroy();

    void* display_ = nullptr;
    void* context_ = nullptr;
    unsigned framebuffer_ = 0;
    unsigned colorBuffer_ = 0;
    unsigned depthBuffer_ = 0;
    int width_ = 0;
    int height_ = 0;
};

} // namespace platform

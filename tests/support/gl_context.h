// Test rig: a real OpenGL compatibility context (Mesa llvmpipe through EGL) for GL read-back.
#pragma once

#include <gtest/gtest.h>

#include "platform/offscreen_gl.h"

// A fixture whose tests run with a current GL context and a small framebuffer, reset to the
// demo's fixed start-up state before each test. The context is shared by the whole process.
class GlTest : public ::testing::Test {
  protected:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 64;

    void SetUp() override;

    // RGBA of the pixel at (x, y), y counted from the bottom as GL does.
    struct Rgba {
        int r, g, b, a;
    };
    static Rgba pixel(int x, int y);
    static platform::OffscreenGl& context();
};

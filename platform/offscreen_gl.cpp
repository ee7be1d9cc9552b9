// EGL surfaceless context with a framebuffer object.
#define GL_GLEXT_PROTOTYPES 1
#include "platform/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

namespace platform {
namespace {

EGLDisplay openDisplay() {
    // Prefer Mesa's surfaceless platform: it works with or without an X server.
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay) {
        EGLDisplay display =
            getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
        if (display != EGL_NO_DISPLAY)
            return display;
    }
    return eglGetDisplay(EGL_DEFAULT_DISPLAY);
}

} // namespace

OffscreenGl::~OffscreenGl() { destroy(); }

bool OffscreenGl::create(int width, int height, std::string* error) {
    auto fail = [&](const char* what) {
        if (error)
            *error = what;
        destroy();
        return false;
    };
    if (width <= 0 || height <= 0)
        return fail("framebuffer size must be positive");
    EGLDisplay display = openDisplay();
    if (display == EGL_NO_DISPLAY)
        return fail("no EGL display");
    display_ = display;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor))
        return fail("eglInitialize failed");
    if (!eglBindAPI(EGL_OPENGL_API))
        return fail("EGL cannot bind desktop OpenGL");

    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1)
        config = nullptr; // surfaceless contexts may be created without a config

    const EGLint contextAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT)
        return fail("eglCreateContext failed (no compatibility profile?)");
    context_ = context;
    if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context))
        return fail("eglMakeCurrent without a surface failed");

    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glGenRenderbuffers(1, &colorBuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer_);
    glGenRenderbuffers(1, &depthBuffer_);
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer_);
    // 24 bits of depth, and 8 of stencil for the tools that mark pixels by what drew them.
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER,
                              depthBuffer_);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
        return fail("framebuffer incomplete");
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, width, height);
    width_ = width;
    height_ = height;
    return true;
}

std::vector<std::uint8_t> OffscreenGl::readRgbaBottomUp() const {
    std::vector<std::uint8_t> pixels(static_cast<size_t>(width_) * height_ * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

std::vector<std::uint8_t> OffscreenGl::readRgbTopDown() const {
    std::vector<std::uint8_t> rgba = readRgbaBottomUp();
    std::vector<std::uint8_t> rgb(static_cast<size_t>(width_) * height_ * 3);
    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* src = &rgba[static_cast<size_t>(height_ - 1 - y) * width_ * 4];
        std::uint8_t* dst = &rgb[static_cast<size_t>(y) * width_ * 3];
        for (int x = 0; x < width_; ++x) {
            std::memcpy(dst + x * 3, src + x * 4, 3);
        }
    }
    return rgb;
}

void OffscreenGl::destroy() {
    if (context_) {
        if (framebuffer_) {
            glDeleteFramebuffers(1, &framebuffer_);
            glDeleteRenderbuffers(1, &colorBuffer_);
            glDeleteRenderbuffers(1, &depthBuffer_);
        }
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(display_, context_);
    }
    if (display_)
        eglTerminate(display_);
    display_ = context_ = nullptr;
    framebuffer_ = colorBuffer_ = depthBuffer_ = 0;
    width_ = height_ = 0;
}

} // namespace platform

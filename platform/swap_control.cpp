// The swap interval, requested through whichever GLX swap-control extension the driver offers.
#include "platform/swap_control.h"

#include <GL/glx.h>
#include <X11/Xlib.h>

#include <cstring>
#include <initializer_list>

namespace platform {
namespace {

using SwapIntervalExt = void (*)(Display*, GLXDrawable, int);
using SwapIntervalMesa = int (*)(unsigned int);
using SwapIntervalSgi = int (*)(int);

// Whole-name search: "GLX_EXT_swap_control" must not match "GLX_EXT_swap_control_tear".
bool hasExtension(const char* extensions, const char* name) {
    const size_t length = std::strlen(name);
    for (const char* p = extensions; (p = std::strstr(p, name)) != nullptr; p += length) {
        const bool startsWord = p == extensions || p[-1] == ' ';
        const bool endsWord = p[length] == ' ' || p[length] == '\0';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

void* procAddress(const char* name) {
    return reinterpret_cast<void*>(glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name)));
}

// Some drivers answer a request they do not support with an X error (Mesa's software
// rasteriser under Xvfb raises GLXBadContextTag for glXSwapIntervalSGI), which Xlib's default
// handler turns into the end of the process. Errors during the request are counted instead.
int xErrors = 0;
int countXError(Display*, XErrorEvent*) {
    ++xErrors;
    return 0;
}

} // namespace

const char* swapControlName(SwapControl control) {
    switch (control) {
    case SwapControl::Ext:
        return "GLX_EXT_swap_control";
    case SwapControl::Mesa:
        return "GLX_MESA_swap_control";
    case SwapControl::Sgi:
        return "GLX_SGI_swap_control";
    case SwapControl::Unsupported:
        break;
    }
    return "none";
}

SwapControl chooseSwapControl(const char* extensions) {
    if (!extensions)
        return SwapControl::Unsupported;
    for (SwapControl control : {SwapControl::Ext, SwapControl::Mesa, SwapControl::Sgi})
        if (hasExtension(extensions, swapControlName(control)))
            return control;
    return SwapControl::Unsupported;
}

SwapControl requestSwapInterval(int interval) {
    Display* display = glXGetCurrentDisplay();
    if (!display || !glXGetCurrentDrawable())
        return SwapControl::Unsupported;
    return requestSwapIntervalThrough(
        chooseSwapControl(glXQueryExtensionsString(display, DefaultScreen(display))), interval);
}

SwapControl requestSwapIntervalThrough(SwapControl control, int interval) {
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable drawable = glXGetCurrentDrawable();
    if (!display || !drawable || control == SwapControl::Unsupported)
        return SwapControl::Unsupported;

    XSync(display, False);
    xErrors = 0;
    const auto previous = XSetErrorHandler(countXError);
    bool accepted = false;
    if (control == SwapControl::Ext) {
        if (auto set = reinterpret_cast<SwapIntervalExt>(procAddress("glXSwapIntervalEXT"))) {
            set(display, drawable, interval);
            accepted = true;
        }
    } else if (control == SwapControl::Mesa) {
        if (auto set = reinterpret_cast<SwapIntervalMesa>(procAddress("glXSwapIntervalMESA")))
            accepted = interval >= 0 && set(static_cast<unsigned int>(interval)) == 0;
    } else if (control == SwapControl::Sgi) {
        if (auto set = reinterpret_cast<SwapIntervalSgi>(procAddress("glXSwapIntervalSGI")))
            accepted = set(interval) == 0;
    }
    XSync(display, False);
    XSetErrorHandler(previous);
    return accepted && xErrors == 0 ? control : SwapControl::Unsupported;
}

} // namespace platform

// Buffer swaps locked to the display's refresh, through the GLX swap-control extensions.
#pragma once

namespace platform {

// The GLX extensions that set a swap interval, in the order they are preferred.
enum class SwapControl {
    Unsupported, // the driver offers none of them
    Ext,         // GLX_EXT_swap_control: per drawable, readable back through glXQueryDrawable
    Mesa,        // GLX_MESA_swap_control: per context, readable back through glXGetSwapIntervalMESA
    Sgi,         // GLX_SGI_swap_control: per context, no way to read it back
};

// The extension's name, "none" for SwapControl::Unsupported.
const char* swapControlName(SwapControl control);

// The preferred swap-control extension named in `extensions` (a GLX extension string: names
// separated by spaces; only whole names count). nullptr is taken as an empty string.
SwapControl chooseSwapControl(const char* extensions);

// Asks for `interval` buffer swaps per display refresh (1: one frame per refresh) for the
// current GLX context and drawable, through the preferred extension the driver offers.
// Returns the extension used, or Unsupported when there is no current GLX context, the driver
// offers none, or it refused the request. An X error raised by the request is absorbed, not fatal.
SwapControl requestSwapInterval(int interval);

// The same through `control`, whether or not the driver names it: a driver that does not
// support it may ignore the request, refuse it or raise an X error, and none of these ends
// the process. Returns `control` when the request was accepted, else Unsupported.
SwapControl requestSwapIntervalThrough(SwapControl control, int interval);

} // namespace platform

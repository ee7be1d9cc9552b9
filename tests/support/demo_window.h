// Test rig: the demo's window on a test display, found and looked at from outside.
#pragma once

#include <sys/types.h>

#include <string>

// The title of the demo's window.
extern const char* const kDemoWindowTitle;

// An X display of the test's own: an Xvfb server (GLX, 24-bit, 1280 x 1024) on a free display
// number, stopped with the object. Windows of tests that run at the same time on the shared
// display can neither cover its windows nor take their keys.
class PrivateDisplay {
  public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // ":N", or "" when the server did not start (see error()).
    const std::string& name() const { return name_; }
    const std::string& error() const { return error_; }

  private:
    pid_t pid_ = -1;
    std::string name_, error_;
};

// The id of the mapped demo window of process `pid` on `display` ("" for $DISPLAY), as
// xdotool prints it, waiting up to `seconds` for it; "" when none appeared. Found by process,
// since other demo windows with the same title may be shown at the same time.
std::string findDemoWindow(int pid, double seconds, const std::string& display = "");

// Waits up to `seconds` until the window `id` shows a drawn frame: some pixel of it is not
// black (the demo clears to black, and every frame of its timeline draws lit or fogged
// geometry). False when the window never showed one or cannot be read.
bool waitForDrawnFrame(const std::string& id, double seconds, const std::string& display = "");

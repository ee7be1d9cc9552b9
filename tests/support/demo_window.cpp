// The demo's window, seen through Xlib and xdotool, and private Xvfb displays.
#include "support/demo_window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/demo_process.h"

const char* const kDemoWindowTitle = "Motha fucka Quorvex!";

PrivateDisplay::PrivateDisplay() {
    int ready[2];
    if (pipe(ready) != 0) {
        error_ = "pipe failed";
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        // Xvfb picks a free display number itself and writes it to the pipe once it listens.
        close(ready[0]);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        const std::string fd = std::to_string(ready[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
               "+extension", "GLX", "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);
    std::string number;
    pollfd wait = {ready[0], POLLIN, 0};
    char c = 0;
    while (pid_ > 0 && poll(&wait, 1, 30000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(ready[0]);
    if (pid_ > 0 && !number.empty() && c == '\n')
        name_ = ":" + number;
    else
        error_ = "Xvfb did not start (is it installed?)";
}

PrivateDisplay::~PrivateDisplay() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}

std::string findDemoWindow(int pid, double seconds, const std::string& display) {
    const std::string cmd = (display.empty() ? "" : "DISPLAY=" + display + " ") + "timeout " +
                            std::to_string(static_cast<int>(seconds)) +
                            " xdotool search --sync --onlyvisible --pid " + std::to_string(pid) +
                            " --name '" + kDemoWindowTitle + "' 2>/dev/null | head -n1";
    return shellOutput(cmd);
}

namespace {

// Errors (a window that is gone or not yet viewable) read as "nothing drawn" rather than
// ending the test program.
int ignoreXError(Display*, XErrorEvent*) {
    return 0;
}

bool showsPicture(Display* display, Window window) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return false;
    XImage* image =
        XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!image)
        return false;
    bool drawn = false;
    for (int y = 0; y < image->height && !drawn; y += 4)
        for (int x = 0; x < image->width && !drawn; x += 4)
            drawn = (XGetPixel(image, x, y) & 0xFFFFFF) != 0;
    XDestroyImage(image);
    return drawn;
}

} // namespace

bool waitForDrawnFrame(const std::string& id, double seconds, const std::string& display) {
    Display* connection = XOpenDisplay(display.empty() ? nullptr : display.c_str());
    if (!connection || id.empty()) {
        if (connection)
            XCloseDisplay(connection);
        return false;
    }
    const auto previous = XSetErrorHandler(ignoreXError);
    const Window window = std::strtoul(id.c_str(), nullptr, 10);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    bool drawn = false;
    while (!(drawn = showsPicture(connection, window)) &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    XSetErrorHandler(previous);
    XCloseDisplay(connection);
    return drawn;
}

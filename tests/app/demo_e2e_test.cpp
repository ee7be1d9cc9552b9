// The real demo binary under the test display: window, pointer, keys and exit status.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/child.h"
#include "support/demo_process.h"
#include "support/paths.h"

namespace {

const char* kTitle = "Motha fucka Quorvex!";

class DemoEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no DISPLAY: run through ./test.sh, which starts Xvfb";
    }
};

// The window id of the demo started as process `pid`, waiting for it to be mapped. By the
// process, not the title alone: tests that run at the same time show demos of the same title.
std::string findWindow(double seconds, pid_t pid) {
    const std::string cmd = "timeout " + std::to_string(static_cast<int>(seconds)) +
                            " xdotool search --sync --onlyvisible --pid " + std::to_string(pid) +
                            " --name '" + kTitle + "' 2>/dev/null | head -n1";
    return shellOutput(cmd);
}

// True when the cursor shown over the window has no visible pixel.
bool cursorIsHidden() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    bool hidden = image != nullptr;
    if (image) {
        for (int i = 0; i < image->width * image->height; ++i)
            if ((image->pixels[i] >> 24) & 0xFF)
                hidden = false;
        XFree(image);
    }
    XCloseDisplay(display);
    return hidden;
}

// What a window manager sends when the user closes the window: WM_DELETE_WINDOW.
bool askToClose(const std::string& window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(std::stoul(window));
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event) != 0;
    XCloseDisplay(display);
    return sent;
}

TEST_F(DemoEndToEnd, FullScreenWindowKeysQuitAndClose) {
    const std::string logs = makeScratchTree("e2e");
    DemoProcess demo(buildDir() + "/bin/demo", buildDir() + "/bin", logs,
                     {"SDL_AUDIODRIVER=dummy"});
    const std::string window = findWindow(60, demo.pid());
    ASSERT_FALSE(window.empty()) << "no window titled \"" << kTitle << "\"\nstderr: " << demo.err();

    EXPECT_EQ(shellOutput("xdotool getwindowname " + window), kTitle);
    // Full screen: the window covers the whole root window (give the resize a moment).
    const std::string screen = shellOutput("xdotool getdisplaygeometry");
    std::string geometry;
    for (int i = 0; i < 50; ++i) {
        geometry = shellOutput("xdotool getwindowgeometry " + window +
                               " | sed -n 's/.*Geometry: //p'");
        if (geometry == std::string(screen).replace(screen.find(' '), 1, "x"))
            break;
        shellOutput("sleep 0.1");
    }
    EXPECT_EQ(geometry, std::string(screen).replace(screen.find(' '), 1, "x"));

    // The pointer is hidden once the window has it (a slow start-up, as in the sanitizer
    // build, may take a moment longer).
    bool hidden = false;
    for (int i = 0; i < 50 && !hidden; ++i) {
        shellOutput("xdotool mousemove --window " + window + " 100 100");
        shellOutput("sleep 0.1");
        hidden = cursorIsHidden();
    }
    EXPECT_TRUE(hidden);

    shellOutput("xdotool windowfocus --sync " + window);
    shellOutput("xdotool key --delay 50 w s s x a 5 space");
    EXPECT_TRUE(demo.waitForOutput("-0.001\n", 20)) << demo.out();
    shellOutput("sleep 0.3");
    EXPECT_EQ(demo.out(), "0.001\n4.74975e-11\n-0.001\n");

    shellOutput("xdotool key q");
    ASSERT_TRUE(demo.waitForExit(30)) << "the demo did not quit on q";
    EXPECT_EQ(demo.status(), 1);
    EXPECT_EQ(demo.out(), "0.001\n4.74975e-11\n-0.001\n");

    // Closing the window through the window manager quits as q does (a second demo, after
    // the first, so that the two never share the display).
    DemoProcess closed(buildDir() + "/bin/demo", buildDir() + "/bin", makeScratchTree("e2e-close"),
                       {"SDL_AUDIODRIVER=dummy"});
    const std::string closedWindow = findWindow(60, closed.pid());
    ASSERT_FALSE(closedWindow.empty()) << "stderr: " << closed.err();
    ASSERT_TRUE(askToClose(closedWindow));
    ASSERT_TRUE(closed.waitForExit(30)) << "the demo did not quit when its window was closed";
    EXPECT_EQ(closed.status(), 1);
    EXPECT_EQ(closed.out(), "");
    EXPECT_EQ(closed.err(), "");
}

// Processes of group `group` still running (zombies aside) after up to `seconds`.
int survivorsOf(pid_t group, double seconds) {
    const std::string count =
        "ps -eo pgid=,stat= | awk '$1 == " + std::to_string(group) + " && $2 !~ /^Z/' | wc -l";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    int left = std::atoi(shellOutput(count).c_str());
    while (left > 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        left = std::atoi(shellOutput(count).c_str());
    }
    return left;
}

// Nothing a test starts through the rig outlives it: not when the test ends, and not when its
// process is killed (a ctest time-out, Ctrl-C) before it could clean up. The program stands in
// for strace and the demo under it: a child that has a child of its own.
TEST(DemoProcessRig, LeavesNothingRunningWhenTheTestEndsOrIsKilled) {
    const std::string dir = makeScratchDir("rig");
    const std::string program = dir + "/family.sh";
    ASSERT_TRUE(writeFile(program, "#!/bin/sh\nsh -c 'sleep 300' &\necho started\nsleep 300\n"));
    chmod(program.c_str(), 0755);
    for (const bool killed : {false, true}) {
        const ChildResult test = runInChild([&] {
            DemoProcess family(program, dir, dir);
            if (!family.waitForOutput("started\n", 20))
                _exit(3);
            std::printf("%d\n", static_cast<int>(family.pid()));
            std::fflush(stdout);
            if (killed)
                raise(SIGKILL);
        });
        ASSERT_FALSE(test.timedOut);
        ASSERT_EQ(test.signal, killed ? SIGKILL : 0) << test.err;
        const pid_t group = std::atoi(test.out.c_str());
        ASSERT_GT(group, 0) << test.out << test.err;
        EXPECT_EQ(survivorsOf(group, 10), 0)
            << (killed ? "killed" : "ended") << ":\n"
            << shellOutput("ps -eo pgid=,pid=,args= | awk '$1 == " + std::to_string(group) + "'");
    }
}

} // namespace

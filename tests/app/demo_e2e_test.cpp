// The real demo binary under the test display: window, pointer, keys and exit status.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "support/child.h"
#include "support/demo_process.h"
#include "support/demo_window.h"
#include "support/paths.h"

namespace {

class DemoEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "no DISPLAY: run through ./test.sh, which starts Xvfb";
    }
};

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
    // The window may be gone by the time a repeated request reaches it: that is no error here.
    XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    const bool sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event) != 0;
    XSync(display, False);
    XSetErrorHandler(previous);
    XCloseDisplay(display);
    return sent;
}

TEST_F(DemoEndToEnd, FullScreenWindowKeysQuitAndClose) {
    const std::string logs = makeScratchTree("e2e");
    DemoProcess demo(buildDir() + "/bin/demo", buildDir() + "/bin", logs,
                     {"SDL_AUDIODRIVER=dummy"});
    const std::string window = findDemoWindow(demo.pid(), 60);
    ASSERT_FALSE(window.empty()) << "no window titled \"" << kDemoWindowTitle
                                 << "\"\nstderr: " << demo.err();

    EXPECT_EQ(shellOutput("xdotool getwindowname " + window), kDemoWindowTitle);
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
    const std::string closedWindow = findDemoWindow(closed.pid(), 60);
    ASSERT_FALSE(closedWindow.empty()) << "stderr: " << closed.err();
    // Asked again every few seconds: a request that reaches a demo still starting up on a
    // busy machine may come before its window is ready to take it.
    bool quit = false;
    for (int attempt = 0; attempt < 10 && !quit; ++attempt) {
        ASSERT_TRUE(askToClose(closedWindow));
        quit = closed.waitForExit(3);
    }
    ASSERT_TRUE(quit) << "the demo did not quit when its window was closed";
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

// Start-up asks for one swap per refresh once, before the first frame, through the
// extension the driver offers (recorded by a preloaded library, see swap_recorder.c). Mesa's
// software rasteriser under Xvfb offers none, so the library adds all three to what the demo
// sees; the demo must pick GLX_EXT_swap_control. Escape then quits like q.
TEST_F(DemoEndToEnd, RequestsOneSwapPerRefreshAndQuitsOnEscape) {
    const PrivateDisplay x;
    ASSERT_NE(x.name(), "") << x.error();
    const std::string logs = makeScratchTree("e2e-swap");
    const std::string swapLog = logs + "/swap.txt";
    const char* preload = std::getenv("LD_PRELOAD");
    // A preloaded library comes before the sanitizer build's runtime, which that runtime
    // refuses unless told not to check; other builds ignore the option.
    const char* asan = std::getenv("ASAN_OPTIONS");
    DemoProcess demo(
        buildDir() + "/bin/demo", buildDir() + "/bin", logs,
        {"DISPLAY=" + x.name(), "SDL_AUDIODRIVER=dummy", "QUORVEX_SWAP_LOG=" + swapLog,
         "QUORVEX_SWAP_OFFER=GLX_SGI_swap_control GLX_MESA_swap_control "
         "GLX_EXT_swap_control",
         "LD_PRELOAD=" + std::string(preload ? preload : "") + ":" + buildDir() +
             "/lib/libswap_recorder.so",
         "ASAN_OPTIONS=" + std::string(asan ? asan : "") + ":verify_asan_link_order=0"});
    const std::string window = findDemoWindow(demo.pid(), 60, x.name());
    ASSERT_FALSE(window.empty()) << "no demo window\nstderr: " << demo.err();
    ASSERT_TRUE(waitForDrawnFrame(window, 60, x.name()))
        << "no frame drawn\nstderr: " << demo.err();

    const std::string requests = readFile(swapLog);
    const std::string line = "GLX_EXT_swap_control interval=1 swaps_before=0 read_back=";
    EXPECT_EQ(requests.substr(0, line.size()), line) << requests;
    EXPECT_EQ(std::count(requests.begin(), requests.end(), '\n'), 1) << requests;
    // Where the driver reports the interval back, it must be the one asked for (under Xvfb
    // there is nothing to read back: -1).
    const int readBack = std::atoi(requests.c_str() + std::min(line.size(), requests.size()));
    if (readBack > 0) {
        EXPECT_EQ(readBack, 1) << requests;
    }

    shellOutput("DISPLAY=" + x.name() + " xdotool key --window " + window + " Escape");
    ASSERT_TRUE(demo.waitForExit(30)) << "the demo did not quit on Escape";
    EXPECT_EQ(demo.status(), 1);
    EXPECT_EQ(demo.out(), "");
}

} // namespace

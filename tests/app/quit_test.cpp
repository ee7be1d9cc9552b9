// Quitting in the middle of the disco: status 1, the music released, nothing printed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/clock.h"
#include "app/frame.h"
#include "app/startup.h"
#include "platform/offscreen_gl.h"
#include "platform/tick.h"
#include "support/child.h"
#include "support/paths.h"

namespace {

const char* kMarker = "<<quitting>>\n";

// Runs in a fresh copy of this test program (see below), so no audio thread or GL context of
// an earlier test is inherited through fork.
void startUpAndQuitInTheDisco() {
    platform::OffscreenGl gl;
    std::string error;
    if (!gl.create(64, 64, &error)) {
        std::fprintf(stderr, "no GL: %s\n", error.c_str());
        std::exit(3);
    }
    platform::useVirtualTick(true);
    platform::setVirtualTick(5000);
    runLoaders();
    startClocks();
    reshape(64, 64);
    drawFrame();
    platform::setVirtualTick(5000 + 45000);
    drawFrame();
    std::fputs(kMarker, stdout);
    std::fflush(stdout);
    keyboard('q', 0, 0);
    std::exit(7); // not reached: q ends the process
}

TEST(QuitDuringDisco, EndsWithStatusOneAndPrintsNothing) {
    if (std::getenv("QUORVEX_QUIT_CHILD")) {
        startUpAndQuitInTheDisco();
        return;
    }
    const ChildResult r = runProgram(
        {"/proc/self/exe", "--gtest_filter=QuitDuringDisco.*"}, buildDir() + "/bin",
        {"QUORVEX_QUIT_CHILD=1", "SDL_AUDIODRIVER=dummy"}, 120);
    ASSERT_FALSE(r.timedOut) << "the process did not end after q";
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    const size_t marker = r.out.find(kMarker);
    ASSERT_NE(marker, std::string::npos) << r.out << r.err;
    EXPECT_EQ(r.out.substr(marker + std::string(kMarker).size()), "");
    EXPECT_EQ(r.err, "");
}

} // namespace

// Choosing the swap-control extension from a driver's GLX extension string.
#include <gtest/gtest.h>

#include <GL/glut.h>

#include <cstdlib>
#include <string>

#include "platform/swap_control.h"
#include "support/child.h"

namespace {

using platform::SwapControl;

TEST(SwapControl, PrefersExtThenMesaThenSgiAndMatchesWholeNamesOnly) {
    const struct {
        const char* extensions;
        SwapControl expected;
    } cases[] = {
        // Mesa's llvmpipe under Xvfb offers all three.
        {"GLX_ARB_multisample GLX_EXT_swap_control GLX_EXT_swap_control_tear "
         "GLX_MESA_swap_control GLX_SGI_swap_control",
         SwapControl::Ext},
        {"GLX_SGI_swap_control GLX_MESA_swap_control", SwapControl::Mesa},
        {"GLX_SGI_swap_control", SwapControl::Sgi},
        {"GLX_SGI_swap_control ", SwapControl::Sgi},
        {"GLX_EXT_swap_control", SwapControl::Ext},
        // A longer name that begins with a wanted one is a different extension.
        {"GLX_EXT_swap_control_tear GLX_SGI_swap_control", SwapControl::Sgi},
        {"GLX_EXT_swap_control_tear", SwapControl::Unsupported},
        {"XGLX_MESA_swap_control GLX_MESA_swap_controls", SwapControl::Unsupported},
        {"GLX_ARB_multisample", SwapControl::Unsupported},
        {"", SwapControl::Unsupported},
        {nullptr, SwapControl::Unsupported},
    };
    for (const auto& c : cases)
        EXPECT_EQ(platform::chooseSwapControl(c.extensions), c.expected)
            << (c.extensions ? c.extensions : "(null)");
}

TEST(SwapControl, RequestWithoutACurrentContextDoesNothing) {
    EXPECT_EQ(platform::requestSwapInterval(1), SwapControl::Unsupported);
}

// Every extension, asked through whether or not the test display's driver offers it: Mesa's
// software rasteriser under Xvfb ignores the EXT request, refuses the MESA one and answers
// the SGI one with an X error, which Xlib's default handler would turn into the end of the
// process. Each request must come back, with the extension only when it was accepted.
TEST(SwapControl, AnyExtensionRequestComesBackWhateverTheDriverSupports) {
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no DISPLAY: run through ./test.sh, which starts Xvfb";
    for (SwapControl control : {SwapControl::Ext, SwapControl::Mesa, SwapControl::Sgi}) {
        const ChildResult r = runInChild([control] {
            int argc = 1;
            char name[] = "swap_control_test";
            char* argv[] = {name, nullptr};
            glutInit(&argc, argv);
            glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
            glutCreateWindow("swap control");
            const SwapControl used = platform::requestSwapIntervalThrough(control, 1);
            std::printf("%s\n", platform::swapControlName(used));
            std::exit(0);
        });
        ASSERT_TRUE(r.exited) << platform::swapControlName(control) << ": " << r.err;
        EXPECT_EQ(r.status, 0) << platform::swapControlName(control) << ": " << r.err;
        EXPECT_TRUE(r.out == std::string(platform::swapControlName(control)) + "\n" ||
                    r.out == "none\n")
            << platform::swapControlName(control) << ": " << r.out;
    }
}

} // namespace

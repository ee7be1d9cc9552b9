// The keyboard's output and exit status, and the projection set on reshape.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>

#include "app/frame.h"
#include "support/child.h"
#include "support/gl_context.h"

namespace {

// Runs a key sequence from start-up state in a child (q ends the process).
ChildResult pressKeys(const std::string& keys) {
    return runInChild([&] {
        attenuation = 0.0f;
        for (char key : keys)
            keyboard(static_cast<unsigned char>(key), 0, 0);
    });
}

TEST(Keyboard, PrintsTheAttenuationAfterEachChange) {
    struct Case {
        const char* keys;
        const char* out;
    } cases[] = {
        {"w", "0.001\n"},
        {"s", "-0.001\n"},
        {"W", "0.001\n"},
        {"S", "-0.001\n"},
        // Formed in double and stored in a float: the way back to 0 leaves a remainder.
        {"wss", "0.001\n4.74975e-11\n-0.001\n"},
        {"xa5 \t", ""},
    };
    for (const Case& c : cases) {
        const ChildResult r = pressKeys(c.keys);
        EXPECT_TRUE(r.exited) << c.keys;
        EXPECT_EQ(r.status, 0) << c.keys;
        EXPECT_EQ(r.out, c.out) << "keys \"" << c.keys << "\"";
        EXPECT_EQ(r.err, "");
    }
}

TEST(Keyboard, QuitKeysExitWithStatusOne) {
    for (const char* keys : {"q", "Q", "wq"}) {
        const ChildResult r = pressKeys(keys);
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, 1) << keys;
    }
}

class FrameGl : public GlTest {};

TEST_F(FrameGl, AttenuationKeysReachBothLights) {
    attenuation = 0.0f;
    keyboard('w', 0, 0);
    keyboard('w', 0, 0);
    float a0 = 0, a1 = 0;
    glGetLightfv(GL_LIGHT0, GL_QUADRATIC_ATTENUATION, &a0);
    glGetLightfv(GL_LIGHT1, GL_QUADRATIC_ATTENUATION, &a1);
    EXPECT_FLOAT_EQ(a0, 0.002f);
    EXPECT_FLOAT_EQ(a1, 0.002f);
    attenuation = 0.0f;
}

TEST_F(FrameGl, ReshapeSetsViewportAndPerspective) {
    struct Case {
        int w, h;
        double aspect;
    } cases[] = {{1024, 768, 1024.0 / 768.0}, {800, 600, 800.0 / 600.0}, {1280, 1024, 1.25}};
    for (const Case& c : cases) {
        reshape(c.w, c.h);
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        EXPECT_EQ(viewport[2], c.w);
        EXPECT_EQ(viewport[3], c.h);
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_PROJECTION);
        float m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        const double f = 1.0 / std::tan(30.0 * M_PI / 180.0);
        EXPECT_NEAR(m[5], f, 1e-5);
        EXPECT_NEAR(m[0] * c.aspect, f, 1e-5); // m[0] = f / aspect
        EXPECT_NEAR(m[10], -(1000.0 + 5.0) / (1000.0 - 5.0), 1e-5);
        EXPECT_NEAR(m[14], -2.0 * 1000.0 * 5.0 / (1000.0 - 5.0), 1e-4);
    }
}

TEST_F(FrameGl, ReshapeToZeroHeightKeepsAFiniteProjection) {
    reshape(640, 0);
    float m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    for (float v : m)
        EXPECT_TRUE(std::isfinite(v));
}

} // namespace

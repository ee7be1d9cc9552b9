// The look-at camera loads gluLookAt's view on an identity, whatever was there before.
#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include "camera/camera.h"
#include "support/gl_context.h"

namespace {

class CameraGl : public GlTest {};

TEST_F(CameraGl, ApplyReplacesTheModelViewAndLeavesItCurrent) {
    float expected[16];
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(1, 2, 3, 0, 0, 0, 0, 1, 0);
    glGetFloatv(GL_MODELVIEW_MATRIX, expected);

    // Leave junk on the model-view and select the projection.
    glLoadIdentity();
    glTranslatef(5, 6, 7);
    glRotatef(33, 1, 0, 0);
    glMatrixMode(GL_PROJECTION);

    Camera cam{};
    cam.setEye(1, 2, 3);
    cam.setCenter(0, 0, 0);
    cam.setUp(0, 1, 0);
    cam.apply();

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    float actual[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, actual);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-6) << "element " << i;
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

TEST_F(CameraGl, SettersStoreWithoutTouchingGl) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1, 2, 3);
    float before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    Camera cam{};
    cam.setEye(4, 5, 6);
    cam.setCenter(7, 8, 9);
    cam.setUp(0, 0, 1);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(before[i], after[i]);
    EXPECT_EQ(cam.eye[2], 6.0f);
    EXPECT_EQ(cam.center[0], 7.0f);
    EXPECT_EQ(cam.up[2], 1.0f);
}

TEST(CameraGlobal, StartsAtZero) {
    // Read before anything sets it: static storage.
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(camera.eye[i], 0.0f);
        EXPECT_EQ(camera.center[i], 0.0f);
        EXPECT_EQ(camera.up[i], 0.0f);
    }
}

} // namespace

// Offscreen GL fixture.
#include "support/gl_context.h"

#include <GL/gl.h>

#include <cstdlib>
#include <string>

platform::OffscreenGl& GlTest::context() {
    static platform::OffscreenGl gl;
    static bool created = [] {
        std::string error;
        if (!gl.create(kWidth, kHeight, &error)) {
            ADD_FAILURE() << "no offscreen GL context: " << error;
            return false;
        }
        return true;
    }();
    (void)created;
    return gl;
}

void GlTest::SetUp() {
    platform::OffscreenGl& gl = context();
    ASSERT_EQ(gl.width(), kWidth) << "offscreen GL context unavailable";
    // Undo what an earlier test may have left, then apply the demo's start-up state.
    glDisable(GL_FOG);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    for (int i = 0; i < 8; ++i)
        glDisable(GL_LIGHT0 + i);
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 0);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    while (glGetError() != GL_NO_ERROR) {
    }
}

GlTest::Rgba GlTest::pixel(int x, int y) {
    unsigned char p[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}

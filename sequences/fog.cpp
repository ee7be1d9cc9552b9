// Scene fog.
#include "sequences/fog.h"

#include <GL/gl.h>

void setSceneFog(float end) {
    // With the end at the start (the disco's first frame) the linear fog equation divides by
    // zero and GL leaves the scene unfogged; the limit the fade comes from is full fog, so the
    // end is kept a hair above the start. Everything drawn lies beyond the near plane (5).
    const float kMinimumEnd = 1e-4f;
    if (end < kMinimumEnd)
        end = kMinimumEnd;
    static const GLfloat kFogColor[4] = {0.5f, 0.5f, 0.7f, 1.0f};
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogfv(GL_FOG_COLOR, kFogColor);
    glFogf(GL_FOG_DENSITY, 0.35f); // unused by linear fog, set all the same
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glFogf(GL_FOG_START, 0.0f);
    glFogf(GL_FOG_END, end);
    glEnable(GL_FOG);
}

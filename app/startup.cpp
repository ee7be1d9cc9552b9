// Start-up: fixed GL state and the loaders.
#include "app/startup.h"

#include <GL/gl.h>

#include "app/manifest.h"
#include "platform/prefetch.h"

void setupFixedGlState() {
    glClearColor(0, 0, 0, 0);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_LIGHTING);
    glEnable(GL_NORMALIZE);
}

void runLoaders() {
    for (int i = 0; i < kLoaderStepCount; ++i)
        kLoaderSteps[i].run();
    platform::finishPrefetch();
}

// Placeholder until the city content is drawn: the fog colour.
#include "sequences/city.h"

#include <GL/gl.h>

void drawCity(int, double) {
    glClearColor(0.5f, 0.5f, 0.7f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
}

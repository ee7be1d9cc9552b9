// Fixed-function light state.
#include "assets/light.h"

void Light::enable(GLenum light) {
    this->light = light;
    glEnable(light);
}

void Light::setVector(GLenum pname, float x, float y, float z) {
    switch (pname) {
    case GL_POSITION:
        position[0] = x;
        position[1] = y;
        position[2] = z;
        hasPosition = true;
        glLightfv(light, GL_POSITION, position);
        break;
    case GL_SPOT_DIRECTION:
        direction[0] = x;
        direction[1] = y;
        direction[2] = z;
        hasDirection = true;
        glLightfv(light, GL_SPOT_DIRECTION, direction);
        break;
    default: {
        // The colour parameters: an opaque colour.
        const float colour[4] = {x, y, z, 1.0f};
        glLightfv(light, pname, colour);
        break;
    }
    }
}

void Light::setParameter(GLenum pname, float value) {
    glLightf(light, pname, value);
}

void Light::apply() {
    if (hasPosition)
        glLightfv(light, GL_POSITION, position);
    if (hasDirection)
        glLightfv(light, GL_SPOT_DIRECTION, direction);
}

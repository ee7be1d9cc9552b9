// A fixed-function GL light that remembers a position and a spot direction to send again.
#pragma once

#include <GL/gl.h>

// All fields start at zero, both flags clear; nothing is sent to GL before enable.
class Light {
  public:
    GLenum light = 0;                 // GL_LIGHT0 + i, set by enable
    float position[4] = {0, 0, 0, 0}; // x, y, z, w; w stays 0 (a directional light)
    float direction[3] = {0, 0, 0};   // spot direction x, y, z
    bool hasPosition = false;         // apply sends position
    bool hasDirection = false;        // apply sends direction

    // Remembers `light` as the GL light this object drives and switches it on.
    void enable(GLenum light);

    // Sets the light parameter `pname` to (x, y, z). The colour parameters GL_AMBIENT,
    // GL_DIFFUSE and GL_SPECULAR get alpha 1. GL_POSITION and GL_SPOT_DIRECTION are also
    // remembered for apply (the position with w = 0). Sent in the current model-view matrix.
    void setVector(GLenum pname, float x, float y, float z);

    // glLightf(light, pname, value), for scalars such as GL_QUADRATIC_ATTENUATION.
    void setParameter(GLenum pname, float value);

    // Sends the remembered position, then the remembered direction, in the model-view matrix
    // current now; sends nothing for what was never set.
    void apply();
};

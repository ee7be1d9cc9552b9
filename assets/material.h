// Fixed-function surface material: four colour terms as grey levels and a shininess.
#pragma once

#include <cstdint>

// All fields start at zero. The setters only store; apply sends.
class Material {
  public:
    float ambient[4] = {0, 0, 0, 0}; // red, green, blue, alpha, 0..1
    float diffuse[4] = {0, 0, 0, 0}; // with lighting on, lit vertices take this alpha
    float specular[4] = {0, 0, 0, 0};
    float emission[4] = {0, 0, 0, 0};
    int32_t shininess = 0; // specular exponent, 0..128

    // Each sets all four components of its term, alpha included, to `level`.
    void setAmbient(float level);
    void setDiffuse(float level);
    void setSpecular(float level);
    void setEmission(float level);
    void setShininess(int32_t exponent);

    // Sends ambient, diffuse, specular, emission and shininess, in that order, to GL_FRONT
    // only: back faces keep whatever material they had. Can be recorded in a display list.
    void apply();
};

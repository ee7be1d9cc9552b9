// Fixed-function material state.
#include "assets/material.h"

#include <GL/gl.h>

namespace {
void fill(float (&term)[4], float level) {
    for (float& component : term)
        component = level;
}
} // namespace

void Material::setAmbient(float level) {
    fill(ambient, level);
}
void Material::setDiffuse(float level) {
    fill(diffuse, level);
}
void Material::setSpecular(float level) {
    fill(specular, level);
}
void Material::setEmission(float level) {
    fill(emission, level);
}
void Material::setShininess(int32_t exponent) {
    shininess = exponent;
}

void Material::apply() {
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT, GL_EMISSION, emission);
    glMateriali(GL_FRONT, GL_SHININESS, shininess);
}

// Swinging lamps and their light beams, blended farthest first within each group.
#include "sequences/disco_lamps.h"

#include <GL/gl.h>

#include <cmath>

#include "app/manifest.h"

const LampAnchor lampGroupA[4] = {
    {17, 66, 17, 0},
    {-17, 66, 17, 1},
    {17, 66, -17, 2},
    {-17, 66, -17, 3},
};

const LampAnchor lampGroupB[8] = {
    {-163, 60, -216, 0}, {-138, 60, -216, 1}, {-113, 60, -216, 2}, {-87.7f, 60, -216, 3},
    {-163, 60, -162, 0}, {-138, 60, -162, 1}, {-113, 60, -162, 2}, {-87.7f, 60, -162, 3},
};

void swingAngles(double T, float angles[4]) {
    static const double kOmega[4] = {1.1234, 1.3214, 1.32134, 1.54321}; // radians per second
    static const double kPhase[4] = {1, 2, 3, 4};                       // radians
    for (int k = 0; k < 4; ++k)
        angles[k] = static_cast<float>(25.0 * std::sin(kOmega[k] * T + kPhase[k]));
}

float viewDepth(const float m[16], const LampAnchor& a) {
    return m[2] * a.x + m[6] * a.y + m[10] * a.z + m[14];
}

void sortByViewDepth(float* keys, int* entries, int n) {
    for (int p = 0; p < n; ++p)
        for (int q = 0; q < n; ++q)
            if (keys[q] > keys[p]) {
                const float key = keys[p];
                keys[p] = keys[q];
                keys[q] = key;
                const int entry = entries[p];
                entries[p] = entries[q];
                entries[q] = entry;
            }
}

namespace {

void drawGroup(const LampAnchor* group, int n, const float angles[4]) {
    for (int i = 0; i < n; ++i) {
        const LampAnchor& a = group[i];
        glPushMatrix();
        glTranslatef(a.x, a.y, a.z);
        glRotatef(angles[a.swing], 1, 1, 1);
        mdlDiscoLamp.draw();
        glPopMatrix();
    }

    // Every push above was popped, so this is the camera's view.
    float view[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, view);
    float keys[8];
    int entries[8];
    for (int j = 0; j < n; ++j) {
        keys[j] = viewDepth(view, group[j]);
        entries[j] = j;
    }
    sortByViewDepth(keys, entries, n);

    // Beams hang 7 units below their lamp in its swinging frame, stretched 1.5 times; bright
    // texels brighten what lies behind, black ones leave it unchanged. Depth writes stay on.
    for (int i = 0; i < n; ++i) {
        const LampAnchor& a = group[entries[i]];
        glPushMatrix();
        glTranslatef(a.x, a.y, a.z);
        glRotatef(angles[a.swing], 1, 1, 1);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR);
        glTranslatef(0, -7, 0);
        glScalef(1, 1.5f, 1);
        mdlBlend.draw();
        glDisable(GL_BLEND);
        glPopMatrix();
    }
}

} // namespace

void drawDiscoLamps(double T) {
    float angles[4];
    swingAngles(T, angles);
    drawGroup(lampGroupA, 4, angles);
    drawGroup(lampGroupB, 8, angles);
}

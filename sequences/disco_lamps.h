// The disco's twelve swinging lamps and their blended light beams.
#pragma once

// Where a lamp hangs (world units) and which of the four swing angles moves it (0..3).
struct LampAnchor {
    float x, y, z;
    int swing;
};

// Four lamps over the main floor and eight over the second floor, in table order.
extern const LampAnchor lampGroupA[4];
extern const LampAnchor lampGroupB[8];

// The four swing angles in degrees (each within +-25) at main-clock time T seconds.
void swingAngles(double T, float angles[4]);

// The eye-space z of an anchor under the column-major model-view matrix m: more negative is
// farther in front of the camera.
float viewDepth(const float m[16], const LampAnchor& anchor);

// Orders (key, entry) pairs with an exchange pass so the keys ascend (the farthest lamp first).
// Equal keys keep the order that this particular pass gives them.
void sortByViewDepth(float* keys, int* entries, int n);

// Draws the lamps and beams of group A, then of group B. Requires the camera's view on the
// model-view matrix with nothing pushed; leaves it so, and leaves GL_BLEND disabled.
void drawDiscoLamps(double T);

// The disco sequence: the opening out of the fog, the tour and the close-up.
#pragma once

#include "sequences/figure.h"

// mode 0: the opening (t 0..2); mode 1 or negative: the tour; mode 2 and above: the close-up.
// t is the sequence time in seconds that the timeline passes.
void drawDisco(int mode, double t);

// True (the default): drawDisco rasterizes what lies outside the hall only within the
// openings' rectangles of the picture, and the room the eye does not stand in only within
// the arch's and the west door's. False draws all of it whole: the same picture, for
// comparing.
extern bool discoLeavesOutHidden;

// World position (w = 1) of disco light 0..3 at main-clock time tau (seconds, as a float):
// red lights 0 and 2 circle, green lights 1 and 3 run Lissajous figures, radius 50 at height
// 20 around (0, 20, 0) for lights 0-1 and (-125, 20, -184) for lights 2-3.
void discoLightPosition(int light, float tau, float out[4]);

// Enables GL_LIGHT0..3 with their positions, colours and quadratic attenuation 0.0005 at
// main-clock time T; the model-view must hold the camera's view.
void setDiscoLights(double T);

// The disco's 16 figures at sequence time t, in draw order: the ring of four dancers, then the
// booth, the seats, the lounge, the spinning dancer, the bar, the stage and the second floor.
const int kDiscoFigureCount = 16;
void discoFigures(double t, FigurePlacement out[kDiscoFigureCount]);

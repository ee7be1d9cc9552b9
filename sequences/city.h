// The city sequence: the fogged flight over the city, then the drift into the fog.
#pragma once

#include "sequences/figure.h"

// mode 0: the flight, t = main-clock seconds; any other mode: the 2-second close,
// t = seconds since 36.6. Leaves GL_FOG enabled and the camera's view on the model-view.
void drawCity(int mode, double t);

// The city's 57 figures at sequence time t, in draw order: two door guards, the dancer on the
// ledge above them, the rooftop dancer, two walkers, the last hopper of the queue, then the
// queue of 10 rows x 5 hoppers. The order decides which pose each figure shows.
const int kCityFigureCount = 57;
void cityFigures(double t, FigurePlacement out[kCityFigureCount]);

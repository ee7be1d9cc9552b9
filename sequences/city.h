// The city sequence: the fogged flight over the city, then the drift into the fog.
#pragma once

// mode 0: the flight, t = main-clock seconds; any other mode: the 2-second close,
// t = seconds since 36.6.
void drawCity(int mode, double t);

// Wall-clock seconds since a start instant, read from the system millisecond tick.
#pragma once

// A plain value with no constructor: a zero-initialised static Clock that was never started
// reads the seconds since the tick's own zero.
class Clock {
  public:
    // The tick, in seconds, at which this clock reads 0.
    double origin;

    // Makes the clock read `offset` seconds at this instant.
    void start(double offset);
    // Seconds since the start instant (millisecond resolution).
    double seconds() const;
};

// The current tick in seconds: the unsigned 32-bit millisecond count times 0.001.
double nowSeconds();

// Drives the timeline, the disco lights and the lamps; started once after loading.
extern Clock clockMain;
// Drives the city's camera path; started together with clockMain.
extern Clock clockAux;

// clockMain.start(0), then clockAux.start(0).
void startClocks();

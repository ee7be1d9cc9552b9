// The demo's fixed timeline: which sequence, mode and local time a main-clock time shows.
#pragma once

enum class Scene { City, Disco };

struct TimelineSlot {
    Scene scene;
    int mode;
    double time; // the sequence's local time, seconds
};

// Pure function of the main clock's seconds. Each bound belongs to the later row:
//   t < 36.6 city 0 (t) | < 38.6 city 1 (t - 36.6) | < 40.6 disco 0 (t - 38.6)
//   < 64 disco 1 (t - 38.6) | < 74 disco 1 (25.4, held) | < 107 disco 1 (t - 38.6 - 10)
//   otherwise disco 2 (t - 74), for as long as the demo runs.
TimelineSlot timelineAt(double t);

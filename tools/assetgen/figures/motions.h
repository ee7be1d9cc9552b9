// The ten motions: each a pose as a function of the loop's phase, its loop length in frames and
// how many keys sample it.
#pragma once

#include <string>
#include <vector>

#include "figures/keys3ds.h"
#include "figures/rig.h"

namespace gen {
namespace fig {

struct MotionDef {
    std::string file;           // name under models/moves, case as the demo asks for it
    int frames;                 // loop length in frames at the rate the motion is made for
    int keys;                   // keys per loop (evenly spread; one more closes the loop)
    Pose (*pose)(double phase); // phase in [0, 1): one pass of the loop
};

// In the order of the demo's manifest.
const std::vector<MotionDef>& motionTable();

// Samples a motion at its key frames.
Clip sampleClip(const MotionDef& motion);

// The motions themselves (phase in [0, 1)).
Pose humanDance(double phase);
Pose vakt(double phase);
Pose sitting(double phase);
Pose barMan(double phase);
Pose kelbro(double phase);
Pose pist(double phase);
Pose walkingMan(double phase);
Pose hoppande(double phase);
Pose pist2(double phase);
Pose juck(double phase);

} // namespace fig
} // namespace gen

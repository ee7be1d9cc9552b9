// Building blocks for authoring motions as poses over time: sections that cross-fade, eased
// key poses, beat-shaped waves and a few moves of the feet and arms.
#pragma once

#include <functional>
#include <vector>

#include "figures/rig.h"

namespace gen {
namespace fig {

// The music's tempo: 80 beats in 38.6 seconds (about 124.35 per minute), so 20 beats last
// exactly 579 frames at 60 fps.
constexpr double kBeatsPerSecond = 80.0 / 38.6;

// A pose as a function of time (beats or seconds, as the motion chooses).
using PoseFn = std::function<Pose(double)>;

struct Section {
    double start;
    PoseFn pose;
};

// Plays `sections` (starts ascending, the first at 0) one after another around a loop of
// `length`; neighbours cross-fade over `fade` centred on each boundary, the last into the first.
Pose sequence(const std::vector<Section>& sections, double length, double t, double fade);

struct KeyPose {
    double time;
    Pose pose;
};

// Eases from each key pose to the next (smoothstep), the last back into the first around a
// loop of `length`. Times ascending, the first at or after 0.
Pose keyed(const std::vector<KeyPose>& keys, double length, double t);

// Cosine wave of `period`: 1 at t = peak (mod period), -1 half a period later.
double wave(double t, double period, double peak = 0);
// A bump of height 1 at t = at (mod period) falling smoothly to 0 at +-width.
double pulse(double t, double period, double at, double width);
// A value eased (smoothstep) from key to key, the last back into the first around a loop of
// `length`: keys are (time, value), times ascending within [0, length).
double keyedValue(const std::vector<std::pair<double, double>>& keys, double length, double t);

// A smooth periodic switch: reaches 1 at `on` (after rising for `ramp`), holds, falls to 0
// reaching it at `off`, holds until it rises again.
double square(double t, double period, double on, double off, double ramp);

// Side step and close over four beats (beat 0: the right foot steps out, 1: the left closes,
// 2: the left steps out, 3: the right closes). The hips follow the weight; `travel` is how far
// they go to each side, `lift` how high a moving foot rises.
void stepTouch(Pose& pose, double beat, double travel, double lift);

// An arm pose in one call, and a blend of two (every number linearly).
ArmPose arm(V3 wrist, V3 elbow, double wristBend = 0.15, double shrug = 0);
ArmPose lerpArm(const ArmPose& a, const ArmPose& b, double w);

// Knees give on every beat: the hips drop by `depth` on the beat.
void bounce(Pose& pose, double beat, double depth);

// Places a leg's ankle so that the toes touch the floor with the heel raised by `pitch`.
V3 ankleOnToes(double outward, double forward, double pitch);

} // namespace fig
} // namespace gen

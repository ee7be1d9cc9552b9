// The dances: human_dance, kelbro, pist, hoppande, pist2 and juck. Each loops over 20 beats;
// beat 0 of the loop is a downbeat.
#include <cmath>

#include "figures/motion_kit.h"
#include "figures/motions.h"

namespace gen {
namespace fig {
namespace {

constexpr double kLoopBeats = 20;

// Hands on the hips, elbows out.
const ArmPose kHandOnHip = arm({-3, -44, 2}, {1, 0, -0.4}, -0.5);
// Fists in front of the ribs, elbows bent and back: the ready pose of many moves.
const ArmPose kFistsUp = arm({-4, -24, 24}, {0.3, -1, -0.6}, 0.4);

// The body sways with the weight of a step-touch: hips tilt, the chest leans against them.
void swayWithSteps(Pose& p, double b, double amount) {
    const double s = std::sin(kPi * b / 2);
    p.pelvis.right = -0.07 * amount * s;
    p.spine.right = 0.05 * amount * s;
    p.chest.right = 0.04 * amount * s;
}

// Hands meet above the head on every beat.
void clapOverhead(Pose& p, double b) {
    const double apart = 1 - pulse(b, 1, 0, 0.4);
    for (int s = 0; s < 2; ++s)
        p.arm[s] = arm({-16 + 14 * apart, 40, 14}, {1, 0.2, -0.2}, 0.1);
    p.head.forward = -0.15 + 0.12 * pulse(b, 1, 0, 0.4);
}

} // namespace

// The main disco dance: step-touch throughout; the disco point, an arm roll, then claps.
Pose humanDance(double phase) {
    const double b0 = phase * kLoopBeats;
    auto base = [](double b) {
        Pose p;
        stepTouch(p, b, 14, 8);
        bounce(p, b, 6);
        swayWithSteps(p, b, 1.5);
        p.turn = -0.12 * std::sin(kPi * b / 2); // the body turns a little into each step
        return p;
    };
    auto discoPoint = [&](double b) {
        Pose p = base(b);
        const double up = square(b, 2, 0, 1, 0.3);
        const ArmPose high = arm({30, 42, 12}, {0.3, -0.5, -1}, 0);
        const ArmPose low = arm({-20, -44, 22}, {1, 0.3, -0.4}, 0);
        p.arm[kRight] = lerpArm(low, high, up);
        p.arm[kLeft] = kHandOnHip;
        p.head.forward = 0.25 - 0.5 * up;
        p.head.turn = 0.15 - 0.45 * up;
        p.chest.right += 0.12 * up - 0.04;
        p.chest.turn = -0.15 * up + 0.1;
        return p;
    };
    auto armRoll = [&](double b) {
        Pose p = base(b);
        for (int s = 0; s < 2; ++s) {
            const double a = 2 * kPi * b + (s == kLeft ? kPi : 0);
            p.arm[s] =
                arm({-10, -20 + 9 * std::sin(a), 26 + 9 * std::cos(a)}, {0.7, -1, -0.2}, 0.3);
        }
        p.spine.forward = 0.08;
        p.head.forward = 0.1 * wave(b, 1);
        return p;
    };
    auto claps = [&](double b) {
        Pose p = base(b);
        swayWithSteps(p, b, 2);
        clapOverhead(p, b);
        return p;
    };
    return sequence({{0, discoPoint}, {8, armRoll}, {14, claps}}, kLoopBeats, b0, 1);
}

// A stage performer: sings into a hand-held microphone while the free arm works the crowd,
// then gets the crowd clapping, then leans back with both arms wide.
Pose kelbro(double phase) {
    const double b0 = phase * kLoopBeats;
    auto base = [](double b) {
        Pose p;
        stepTouch(p, b, 6, 4);
        bounce(p, b, 3);
        swayWithSteps(p, b, 1.5);
        p.leg[kLeft].toeOut = p.leg[kRight].toeOut = 0.3;
        return p;
    };
    const ArmPose mic = arm({-15, 8, 18}, {0.7, -1, 0}, 0.5);
    auto singing = [&](double b) {
        Pose p = base(b);
        p.arm[kRight] = mic;
        // The free arm sweeps from low in front up to the side over four beats and back.
        const double sweep = 0.5 - 0.5 * wave(b, 4, 2);
        p.arm[kLeft] = lerpArm(arm({8, -36, 34}, {0.5, -1, -0.3}, 0.2),
                               arm({44, 26, 14}, {0, -0.4, -1}, -0.2), sweep);
        p.head.forward = -0.1 + 0.08 * wave(b, 1);
        p.head.turn = 0.25 * sweep;
        p.spine.forward = 0.05;
        return p;
    };
    auto crowdClap = [&](double b) {
        Pose p = base(b);
        bounce(p, b, 3);
        clapOverhead(p, b);
        p.spine.forward = -0.06;
        return p;
    };
    auto leanBack = [&](double b) {
        Pose p = base(b);
        const double lean = 0.5 - 0.5 * wave(b, 6, 14); // 0 at 14, 1 at 17, 0 at 20
        p.spine.forward = -0.12 * lean;
        p.chest.forward = -0.12 * lean;
        p.head.forward = -0.25 * lean;
        p.hips.y = 4 * lean;
        p.hips.z -= 5 * lean;
        p.arm[kRight] = lerpArm(mic, arm({40, 20, 18}, {0, -0.4, -1}, 0), lean);
        p.arm[kLeft] = arm({42, 22, 16}, {0, -0.4, -1}, -0.2);
        return p;
    };
    return sequence({{0, singing}, {8, crowdClap}, {14, leanBack}}, kLoopBeats, b0, 1);
}

// The rooftop dancer: knee lifts with pumping arms, then a wide arm wave over side steps.
Pose pist(double phase) {
    const double b0 = phase * kLoopBeats;
    auto kneeLifts = [](double b) {
        Pose p;
        // Right knee up on even beats, left on odd beats; the other leg carries the weight.
        for (int s = 0; s < 2; ++s) {
            const double lift = pulse(b, 2, s == kRight ? 0 : 1, 0.7);
            p.leg[s].ankle = {10, 14 * lift, kAnkleHeight + 34 * lift};
            p.leg[s].pitch = 0.5 * lift;
        }
        const double side = std::sin(kPi * b); // towards the standing leg
        p.hips.x = -4 * side;
        p.hips.z = 93 - 3 * (0.5 + 0.5 * wave(b, 1, 0.5));
        p.pelvis.turn = 0.12 * side;
        p.chest.turn = -0.25 * side;
        for (int s = 0; s < 2; ++s) {
            const double up = 0.5 + 0.5 * std::sin(kPi * b) * (s == kRight ? -1 : 1);
            p.arm[s] = lerpArm(arm({4, -30, 14}, {0.3, -1, -0.5}, 0.4),
                               arm({-2, -10, 30}, {0.4, -1, -0.4}, 0.4), up);
        }
        p.head.forward = 0.08 * wave(b, 1);
        return p;
    };
    auto armWave = [](double b) {
        Pose p;
        stepTouch(p, b, 12, 6);
        bounce(p, b, 5);
        swayWithSteps(p, b, 2);
        // Both arms sweep overhead from side to side with the steps.
        const double s = std::sin(kPi * b / 2);
        p.arm[kRight] = arm({28 + 12 * s, 34 - 10 * s, 8}, {0.2, -1, -0.6}, 0);
        p.arm[kLeft] = arm({28 - 12 * s, 34 + 10 * s, 8}, {0.2, -1, -0.6}, 0);
        p.chest.right = 0.1 * s;
        p.head.turn = -0.2 * s;
        return p;
    };
    return sequence({{0, kneeLifts}, {10, armWave}}, kLoopBeats, b0, 1);
}

// A crowd member hopping on every beat, a big jump with both fists up every fourth.
Pose hoppande(double phase) {
    const double b = phase * kLoopBeats;
    const double s = wrap(b, 1); // 0 = landing on the beat
    const bool big = wrap(b, 4) >= 3;
    const double height = big ? 22 : 10;
    // Airborne over the second half of each beat; a crouch absorbs the landing.
    const double air = s >= 0.45 ? std::sin(kPi * (s - 0.45) / 0.55) : 0;
    const double crouch = pulse(s, 1, 0.15, 0.3);
    Pose p;
    p.hips.z = 93 - 9 * crouch + height * air;
    for (int side = 0; side < 2; ++side) {
        p.leg[side].ankle = {10, 2, kAnkleHeight + height * air};
        p.leg[side].pitch = 0.6 * air;
    }
    p.spine.forward = 0.1 * crouch;
    p.head.forward = 0.12 * crouch - 0.05;
    // Fist pumps: one arm per beat, both on the big jump.
    const int beat = static_cast<int>(std::floor(wrap(b, kLoopBeats)));
    for (int side = 0; side < 2; ++side) {
        const bool pumps = big || (beat % 2 == (side == kRight ? 0 : 1));
        const double up = pumps ? air : 0;
        p.arm[side] = lerpArm(arm({2, -28, 18}, {0.4, -1, -0.4}, 0.4),
                              arm({6, 50, 8}, {0.4, -0.2, -1}, 0), up);
    }
    return p;
}

// A dance-floor dancer (made for 40 fps): a sway with waving arms, the twist, then swimming
// arms over a bounce.
Pose pist2(double phase) {
    const double b0 = phase * kLoopBeats;
    auto sway = [](double b) {
        Pose p;
        const double s = std::sin(kPi * b);
        p.hips.x = 6 * s;
        bounce(p, b, 3);
        p.leg[kLeft].ankle.x = p.leg[kRight].ankle.x = 16;
        p.pelvis.right = -0.1 * s;
        p.chest.right = 0.12 * s;
        p.arm[kRight] = arm({14 + 10 * s, 40, 10}, {0.3, -1, -0.5}, 0.2 * s);
        p.arm[kLeft] = arm({14 - 10 * s, 40, 10}, {0.3, -1, -0.5}, -0.2 * s);
        p.head.right = 0.15 * s;
        return p;
    };
    auto twist = [](double b) {
        Pose p;
        const double t = std::sin(kPi * b);
        const double low = 0.5 - 0.5 * wave(b, 4, 2); // down and up again every four beats
        p.hips.z = 92 - 14 * low;
        p.pelvis.turn = 0.45 * t;
        p.chest.turn = -0.35 * t;
        p.head.turn = 0.2 * t;
        for (int s = 0; s < 2; ++s) {
            p.leg[s].ankle = {12, 0, kAnkleHeight};
            p.leg[s].toeOut = 0.12 + 0.35 * t * (s == kLeft ? -1 : 1);
            p.arm[s] = arm({14, -28, 12 + 10 * t * (s == kLeft ? 1 : -1)}, {0.6, -1, -0.3}, 0.3);
        }
        return p;
    };
    auto swim = [](double b) {
        Pose p;
        bounce(p, b, 5);
        p.leg[kLeft].ankle.x = p.leg[kRight].ankle.x = 14;
        const double a = 2 * kPi * b;
        for (int s = 0; s < 2; ++s)
            p.arm[s] = arm(
                {-2 + 14 * (0.5 - 0.5 * std::cos(a)), -18 + 8 * std::sin(a), 30 + 10 * std::cos(a)},
                {0.6, -1, -0.3}, 0.3);
        p.spine.forward = 0.1;
        p.head.forward = 0.1 * wave(b, 1);
        return p;
    };
    return sequence({{0, sway}, {8, twist}, {16, swim}}, kLoopBeats, b0, 1);
}

// The pumping dance: a hip thrust and a fist pump on every beat, then raising the roof.
Pose juck(double phase) {
    const double b0 = phase * kLoopBeats;
    auto pump = [](double b) {
        Pose p;
        const double hit = pulse(b, 1, 0, 0.35);
        p.hips.z = 90 - 7 * hit;
        p.hips.y = 5 * hit;
        p.pelvis.forward = -0.25 * hit;
        p.spine.forward = 0.1 + 0.1 * hit;
        p.head.forward = 0.3 * hit - 0.05;
        for (int s = 0; s < 2; ++s) {
            p.leg[s].ankle = {15, 0, kAnkleHeight};
            p.leg[s].toeOut = 0.35;
            // Right fist on even beats, left on odd; the turn comes between the pumps.
            const bool mine = wrap(b + 0.5, 2) < 1 ? s == kRight : s == kLeft;
            p.arm[s] =
                mine ? lerpArm(kFistsUp, arm({10, 48, 14}, {0.4, -0.3, -1}, 0.1), hit) : kFistsUp;
        }
        return p;
    };
    auto raiseRoof = [](double b) {
        Pose p;
        const double hit = pulse(b, 1, 0, 0.4);
        p.hips.z = 88 - 8 * hit;
        p.pelvis.forward = -0.15 * hit;
        p.head.forward = 0.25 * hit;
        p.chest.turn = 0.2 * std::sin(kPi * b / 2);
        for (int s = 0; s < 2; ++s) {
            p.leg[s].ankle = {16, 0, kAnkleHeight};
            p.leg[s].toeOut = 0.35;
            p.arm[s] = arm({12, 18 + 22 * hit, 14}, {1, -0.5, -0.3}, -0.6);
        }
        return p;
    };
    return sequence({{0, pump}, {10, raiseRoof}}, kLoopBeats, b0, 1);
}

} // namespace fig
} // namespace gen

// The figures that do not dance: vakt, sitting, bar_man and walking_man.
#include <cmath>

#include "figures/motion_kit.h"
#include "figures/motions.h"

namespace gen {
namespace fig {

// The door guard (10 s at 30 fps): arms crossed, weight shifting from foot to foot, looking
// left and right down the street, breathing.
Pose vakt(double phase) {
    const double t = phase * 10; // seconds
    Pose p;
    const double shift = std::sin(2 * kPi * phase);
    p.hips.x = 4 * shift;
    p.hips.z = 94;
    p.pelvis.right = -0.05 * shift;
    p.spine.right = 0.03 * shift;
    p.chest.forward = -0.04 + 0.02 * std::sin(2 * kPi * 3 * phase); // chest out, breathing
    for (int s = 0; s < 2; ++s) {
        p.leg[s].ankle = {16, 0, kAnkleHeight};
        p.leg[s].toeOut = 0.25;
    }
    // Forearms folded across the chest, the left one over the right.
    p.arm[kLeft] = arm({-31, -22, 15}, {0.9, -1, 0.15}, 0.7);
    p.arm[kRight] = arm({-30, -28, 11}, {0.9, -1, 0.1}, 0.7);
    // Looks to its left, back, to its right, back.
    const double look = keyedValue(
        {{0, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 0}, {6, 0}, {7, -1}, {8.2, -1}, {9.2, 0}}, 10, t);
    p.neck.turn = 0.25 * look;
    p.head.turn = 0.45 * look;
    p.head.forward = -0.06;
    return p;
}

// Seated and talking (10 s at 60 fps): the hips stay on the seat; the hands make points,
// the head nods and turns to the listener on either side.
Pose sitting(double phase) {
    const double t = phase * 10; // seconds
    Pose base;
    base.hips = {0, 4, 46};
    base.pelvis.forward = -0.2;
    base.spine.forward = 0.22;
    base.chest.forward = 0.08;
    for (int s = 0; s < 2; ++s) {
        base.leg[s].ankle = {13, 42, kAnkleHeight};
        base.leg[s].kneeOut = 0.05;
    }
    // Hands rest on the thighs between gestures.
    const ArmPose rest = arm({0, -40, 30}, {0.6, -1, -0.2}, 0.5);
    const ArmPose open = arm({14, -26, 34}, {0.9, -1, 0}, -0.4);
    const ArmPose point = arm({-6, -16, 40}, {0.7, -1, 0}, 0.1);
    const ArmPose chin = arm({-14, -2, 20}, {0.4, -1, 0.2}, 0.6);
    std::vector<KeyPose> keys;
    auto key = [&](double time, ArmPose left, ArmPose right, double turn) {
        Pose p = base;
        p.arm[kLeft] = left;
        p.arm[kRight] = right;
        p.neck.turn = 0.3 * turn;
        p.head.turn = 0.5 * turn;
        p.chest.turn = 0.15 * turn;
        keys.push_back({time, p});
    };
    key(0.0, rest, rest, 0.5);
    key(0.8, rest, point, 0.6);
    key(1.6, rest, open, 0.5);
    key(2.4, open, open, 0.2);
    key(3.2, rest, rest, -0.3);
    key(4.4, rest, rest, -0.6);
    key(5.2, chin, rest, -0.6);
    key(6.4, chin, rest, -0.5);
    key(7.2, open, point, 0.1);
    key(8.0, rest, open, 0.5);
    key(9.0, rest, rest, 0.5);
    Pose p = keyed(keys, 10, t);
    // Talking: small nods and hand beats on top of the gestures.
    p.head.forward += 0.06 * std::sin(2 * kPi * 7 * phase) - 0.04;
    p.arm[kRight].wristBend += 0.2 * std::sin(2 * kPi * 13 * phase);
    p.arm[kRight].wrist.y += 2 * std::sin(2 * kPi * 13 * phase);
    return p;
}

// The barman (20 beats at 60 fps): shakes a cocktail over his shoulder, pours it into two
// glasses, sets the shaker down, wipes the bar and picks the shaker up again.
Pose barMan(double phase) {
    const double b = phase * 20;
    Pose base;
    base.hips.z = 93;
    bounce(base, b, 1.5);
    base.spine.forward = 0.06;
    for (int s = 0; s < 2; ++s) {
        base.leg[s].ankle = {13, 0, kAnkleHeight};
        base.leg[s].toeOut = 0.2;
    }
    // Both hands on the shaker beside the right side of the head.
    const ArmPose shakeR = arm({5, 6, 12}, {0.3, -1, -0.2}, 0.6);
    const ArmPose shakeL = arm({-24, 8, 18}, {0.3, -1, -0.3}, 0.4);
    // Pouring: the right hand high over the glass, elbow raised; the left hand on the bar.
    const ArmPose pourR = arm({-6, -12, 34}, {1, 0.7, -0.3}, 0.9);
    const ArmPose pourR2 = arm({4, -12, 34}, {1, 0.7, -0.3}, 0.9);
    const ArmPose barL = arm({4, -36, 30}, {0.7, -1, -0.3}, -0.6);
    const ArmPose downR = arm({10, -38, 24}, {0.5, -1, -0.4}, 0.2);
    const ArmPose wipeR = arm({-4, -36, 34}, {0.6, -1, -0.3}, -0.6);
    std::vector<KeyPose> keys;
    auto key = [&](double beat, ArmPose left, ArmPose right, double lean, double turn) {
        Pose p = base;
        p.arm[kLeft] = left;
        p.arm[kRight] = right;
        p.spine.forward += lean;
        p.chest.turn = turn;
        p.head.turn = 0.5 * turn;
        p.head.forward = 0.15 + lean;
        keys.push_back({beat, p});
    };
    key(0.5, shakeL, shakeR, -0.05, 0.1);
    key(7.5, shakeL, shakeR, -0.05, 0.1);
    key(9.0, barL, pourR, 0.12, 0.0);
    key(11.0, barL, pourR, 0.15, 0.05);
    key(12.0, barL, pourR2, 0.15, -0.1);
    key(14.0, barL, pourR2, 0.15, -0.1);
    key(15.0, barL, downR, 0.08, -0.2);
    key(16.0, barL, wipeR, 0.12, 0.0);
    key(18.5, barL, wipeR, 0.12, 0.0);
    key(19.5, shakeL, shakeR, -0.05, 0.1);
    Pose p = keyed(keys, 20, b);
    // Shaking: the hands pump twice a beat while the shaker is up.
    const double shaking = keyedValue({{0.3, 1}, {7.5, 1}, {8.3, 0}, {19.2, 0}}, 20, b);
    const double shake = std::sin(4 * kPi * b) * shaking;
    for (int s = 0; s < 2; ++s) {
        p.arm[s].wrist.y += 7 * shake;
        p.arm[s].wrist.z -= 4 * shake;
    }
    p.chest.right += 0.04 * shake;
    // Wiping: small circles on the bar.
    const double wiping = keyedValue({{0, 0}, {16.3, 0}, {16.8, 1}, {18.3, 1}, {18.8, 0}}, 20, b);
    p.arm[kRight].wrist.x += 8 * std::cos(2 * kPi * b) * wiping;
    p.arm[kRight].wrist.z += 6 * std::sin(2 * kPi * b) * wiping;
    return p;
}

// A walk cycle in place (80 frames at 120 fps): each foot is on the floor for 60 % of the
// cycle, sliding back as the street goes by, then swings forward.
Pose walkingMan(double phase) {
    Pose p;
    const double stance = 0.6, reachFwd = 36;
    for (int s = 0; s < 2; ++s) {
        const double u = wrap(phase + (s == kLeft ? 0.5 : 0), 1); // 0 = heel strike
        LegPose& leg = p.leg[s];
        leg.toeOut = 0.06;
        leg.kneeOut = 0;
        if (u < stance) {
            const double w = u / stance;
            leg.ankle = {9, reachFwd * (1 - 2 * w), kAnkleHeight};
            // Heel strike with the toes up, toe-off with the heel up.
            leg.pitch = -0.25 * (1 - smooth01(w * 4)) + 0.45 * smooth01((w - 0.75) * 4);
            leg.ankle.z += 5 * smooth01((w - 0.75) * 4);
        } else {
            const double w = (u - stance) / (1 - stance);
            const double swing = smooth01(w);
            leg.ankle = {9, -reachFwd + 2 * reachFwd * swing,
                         kAnkleHeight + 5 * (1 - w) + 12 * std::sin(kPi * w)};
            leg.pitch = 0.45 * (1 - smooth01(w * 2)) - 0.25 * smooth01((w - 0.6) * 2.5);
        }
    }
    // Hips: lowest when both feet are down, over the stance foot, turning with the legs.
    p.hips.z = 90.5 + 2.5 * std::cos(4 * kPi * (phase - 0.3));
    p.hips.x = 2.5 * std::sin(2 * kPi * (phase - 0.3));
    p.pelvis.turn = 0.14 * std::cos(2 * kPi * phase);
    p.chest.turn = -0.22 * std::cos(2 * kPi * phase);
    p.spine.forward = 0.06;
    p.head.forward = -0.02;
    // Arms swing against the legs.
    for (int s = 0; s < 2; ++s) {
        const double swing = std::cos(2 * kPi * phase) * (s == kLeft ? 1 : -1);
        p.arm[s] = arm({5, -50 + 6 * std::fmax(swing, 0), 4 + 22 * swing}, {0.2, 0, -1}, 0.2);
    }
    return p;
}

} // namespace fig
} // namespace gen

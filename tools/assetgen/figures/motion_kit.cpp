// Motion building blocks.
#include "figures/motion_kit.h"

#include <cmath>

namespace gen {
namespace fig {

Pose sequence(const std::vector<Section>& sections, double length, double t, double fade) {
    const size_t n = sections.size();
    t = wrap(t, length);
    size_t i = n - 1;
    for (size_t k = 0; k + 1 < n; ++k)
        if (t < sections[k + 1].start) {
            i = k;
            break;
        }
    const double start = sections[i].start;
    const double end = i + 1 < n ? sections[i + 1].start : length;
    const size_t prev = (i + n - 1) % n, next = (i + 1) % n;
    // Across the loop's end the neighbour runs on in its own time (beyond the length, or
    // before 0), so sections need not be periodic themselves.
    if (n > 1 && t - start < fade / 2) {
        const double tPrev = i == 0 ? t + length : t;
        return blend(sections[prev].pose(tPrev), sections[i].pose(t),
                     smooth01((t - start + fade / 2) / fade));
    }
    if (n > 1 && end - t < fade / 2) {
        const double tNext = i == n - 1 ? t - length : t;
        return blend(sections[i].pose(t), sections[next].pose(tNext),
                     smooth01((t - end + fade / 2) / fade));
    }
    return sections[i].pose(t);
}

namespace {

// The key at or before t around the loop, the next one, and how far t has come between them.
struct Between {
    size_t from, to;
    double w;
};

template <typename TimeOf> Between between(size_t n, double length, double t, TimeOf time) {
    t = wrap(t, length);
    size_t i = n - 1; // the last key when t comes before the first
    for (size_t k = 0; k < n; ++k)
        if (time(k) <= t)
            i = k;
    const size_t j = (i + 1) % n;
    double span = time(j) - time(i);
    double into = t - time(i);
    if (span <= 0)
        span += length;
    if (into < 0)
        into += length;
    return {i, j, smooth01(into / span)};
}

} // namespace

Pose keyed(const std::vector<KeyPose>& keys, double length, double t) {
    const Between b = between(keys.size(), length, t, [&](size_t k) { return keys[k].time; });
    return blend(keys[b.from].pose, keys[b.to].pose, b.w);
}

double keyedValue(const std::vector<std::pair<double, double>>& keys, double length, double t) {
    const Between b = between(keys.size(), length, t, [&](size_t k) { return keys[k].first; });
    return keys[b.from].second + (keys[b.to].second - keys[b.from].second) * b.w;
}

double wave(double t, double period, double peak) {
    return std::cos(2 * kPi * (t - peak) / period);
}

double pulse(double t, double period, double at, double width) {
    double d = wrap(t - at, period);
    if (d > period / 2)
        d -= period;
    const double x = std::fabs(d) / width;
    return x >= 1 ? 0 : 0.5 + 0.5 * std::cos(kPi * x);
}

double square(double t, double period, double on, double off, double ramp) {
    const double d = wrap(t - (on - ramp), period);
    const double high = wrap(off - on, period);
    return d < high ? smooth01(d / ramp) : 1 - smooth01((d - high) / ramp);
}

void stepTouch(Pose& pose, double beat, double travel, double lift) {
    const double half = 7; // half the distance between closed feet
    // Ground x (to the figure's right) of each foot: out to the side or closed in.
    const double rightOut = travel + half, rightIn = -travel + half;
    const double leftOut = -travel - half, leftIn = travel - half;
    const double rightX =
        keyedValue({{0, rightOut}, {2.5, rightOut}, {3, rightIn}, {3.5, rightIn}}, 4, beat);
    const double leftX =
        keyedValue({{0.5, leftOut}, {1, leftIn}, {1.5, leftIn}, {2, leftOut}}, 4, beat);
    // A moving foot rises: the right in [2.5, 3] and [3.5, 4], the left in [0.5, 1] and [1.5, 2].
    const double rightLift = pulse(beat, 4, 2.75, 0.25) + pulse(beat, 4, 3.75, 0.25);
    const double leftLift = pulse(beat, 4, 0.75, 0.25) + pulse(beat, 4, 1.75, 0.25);
    pose.leg[kRight].ankle = {rightX, 0, kAnkleHeight + lift * rightLift};
    pose.leg[kLeft].ankle = {-leftX, 0, kAnkleHeight + lift * leftLift};
    pose.leg[kRight].pitch = 0.35 * rightLift;
    pose.leg[kLeft].pitch = 0.35 * leftLift;
    pose.hips.x = travel * std::sin(kPi * beat / 2);
}

ArmPose arm(V3 wrist, V3 elbow, double wristBend, double shrug) {
    ArmPose a;
    a.wrist = wrist;
    a.elbow = elbow;
    a.wristBend = wristBend;
    a.shrug = shrug;
    return a;
}

ArmPose lerpArm(const ArmPose& a, const ArmPose& b, double w) {
    return arm(lerp(a.wrist, b.wrist, w), lerp(a.elbow, b.elbow, w),
               a.wristBend + (b.wristBend - a.wristBend) * w, a.shrug + (b.shrug - a.shrug) * w);
}

void bounce(Pose& pose, double beat, double depth) {
    pose.hips.z -= depth * (0.5 + 0.5 * wave(beat, 1));
}

V3 ankleOnToes(double outward, double forward, double pitch) {
    // The toe joint sits kToeHeight above the floor; the ankle is a foot's length from it.
    const double restPitch = std::asin((kAnkleHeight - kToeHeight) / kFoot);
    const double a = restPitch + pitch;
    return {outward, forward - kFoot * (std::cos(a) - std::cos(restPitch)),
            kToeHeight + kFoot * std::sin(a)};
}

} // namespace fig
} // namespace gen

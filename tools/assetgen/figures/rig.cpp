// The rig's node tree and the pose solver.
#include "figures/rig.h"

#include <cmath>

namespace gen {
namespace fig {
namespace {

// Chest-side offsets: the spine chain's local axes are x up, y to the figure's right, z to
// its front, so the figure's left is -y.
const NodeDef kNodes[kNodeCount] = {
    {"$$$DUMMY", -1, {0, 0, 0}},
    {"Hips", kDummy, {0, 0, kStandHips}},
    {"Spine", kHips, {12, 0, 0}},
    {"Upper spin", kSpine, {16, 0, 0}},
    {"Neck", kUpperSpine, {22, 0, 0}},
    {"Head", kNeck, {8, 0, 0}},
    {"-Head nub", kHead, {20, 0, 0}},
    {"L Clavicle", kUpperSpine, {19, -2.5, 2}},
    {"L UpperArm", kLClavicle, {kClavicle, 0, 0}},
    {"L Forearm", kLUpperArm, {kUpperArm, 0, 0}},
    {"L Hand", kLForearm, {kForearm, 0, 0}},
    {"-L Finger", kLHand, {kHand, 0, 0}},
    {"R Clavicle", kUpperSpine, {19, 2.5, 2}},
    {"R UpperArm", kRClavicle, {kClavicle, 0, 0}},
    {"R Forearm", kRUpperArm, {kUpperArm, 0, 0}},
    {"R Hand", kRForearm, {kForearm, 0, 0}},
    {"-R Finger", kRHand, {kHand, 0, 0}},
    {"L Thigh", kHips, {-6, -9, 0}},
    {"L Calf", kLThigh, {kThigh, 0, 0}},
    {"L Foot", kLCalf, {kCalf, 0, 0}},
    {"-L Toe", kLFoot, {kFoot, 0, 0}},
    {"R Thigh", kHips, {-6, 9, 0}},
    {"R Calf", kRThigh, {kThigh, 0, 0}},
    {"R Foot", kRCalf, {kCalf, 0, 0}},
    {"-R Toe", kRFoot, {kFoot, 0, 0}},
    {"L Flank", kUpperSpine, {17, -9.5, 1}},
    {"-L Flank end", kLFlank, {kFlank, 0, 0}},
    {"R Flank", kUpperSpine, {17, 9.5, 1}},
    {"-R Flank end", kRFlank, {kFlank, 0, 0}},
};

// Rest orientation of the spine chain in the rig frame: x up, y right (-x), z front (-y).
const M3 kSpineRest{{{0, 0, 1}, {-1, 0, 0}, {0, -1, 0}}};

// A Bend as a rotation in the joint's own axes (x along the spine, y right, z front).
M3 bendRotation(const Bend& b) {
    return axisAngle({0, -1, 0}, b.forward) * axisAngle({0, 0, 1}, b.right) *
           axisAngle({1, 0, 0}, b.turn);
}

// Limb node indices per side.
struct ArmNodes {
    int clavicle, upper, fore, hand;
};
struct LegNodes {
    int thigh, calf, foot;
};
const ArmNodes kArm[2] = {{kLClavicle, kLUpperArm, kLForearm, kLHand},
                          {kRClavicle, kRUpperArm, kRForearm, kRHand}};
const LegNodes kLeg[2] = {{kLThigh, kLCalf, kLFoot}, {kRThigh, kRCalf, kRFoot}};

// Outward sign in the rig frame's x (the figure's left is +x) and in the chest's y (the
// figure's right is +y).
double rigOutward(int side) {
    return side == kLeft ? 1.0 : -1.0;
}
double chestOutward(int side) {
    return side == kLeft ? -1.0 : 1.0;
}

Bend lerpBend(const Bend& a, const Bend& b, double w) {
    return {a.forward + (b.forward - a.forward) * w, a.right + (b.right - a.right) * w,
            a.turn + (b.turn - a.turn) * w};
}

double lerpD(double a, double b, double w) {
    return a + (b - a) * w;
}

} // namespace

const NodeDef& nodeDef(int node) {
    return kNodes[node];
}

Reach reach(V3 root, V3 target, double a, double b, V3 bendDir) {
    V3 d = target - root;
    double dist = length(d);
    const V3 dir = dist > 1e-9 ? d * (1.0 / dist) : V3{0, 0, -1};
    const double lo = std::fabs(a - b) + 1e-3, hi = a + b - 1e-3;
    dist = dist < lo ? lo : dist > hi ? hi : dist;
    V3 n = bendDir - dir * dot(bendDir, dir);
    if (length(n) < 1e-9)
        n = std::fabs(dir.z) < 0.9 ? cross(dir, V3{0, 0, 1}) : cross(dir, V3{1, 0, 0});
    n = normalize(n);
    const double cosA = (a * a + dist * dist - b * b) / (2 * a * dist);
    const double sinA = std::sqrt(std::fmax(0.0, 1 - cosA * cosA));
    return {root + dir * (a * cosA) + n * (a * sinA), root + dir * dist, cross(n, dir)};
}

Pose blend(const Pose& a, const Pose& b, double w) {
    Pose out;
    out.turn = lerpD(a.turn, b.turn, w);
    out.hips = lerp(a.hips, b.hips, w);
    out.pelvis = lerpBend(a.pelvis, b.pelvis, w);
    out.spine = lerpBend(a.spine, b.spine, w);
    out.chest = lerpBend(a.chest, b.chest, w);
    out.neck = lerpBend(a.neck, b.neck, w);
    out.head = lerpBend(a.head, b.head, w);
    for (int s = 0; s < 2; ++s) {
        out.arm[s].wrist = lerp(a.arm[s].wrist, b.arm[s].wrist, w);
        out.arm[s].elbow = lerp(a.arm[s].elbow, b.arm[s].elbow, w);
        out.arm[s].wristBend = lerpD(a.arm[s].wristBend, b.arm[s].wristBend, w);
        out.arm[s].shrug = lerpD(a.arm[s].shrug, b.arm[s].shrug, w);
        out.leg[s].ankle = lerp(a.leg[s].ankle, b.leg[s].ankle, w);
        out.leg[s].toeOut = lerpD(a.leg[s].toeOut, b.leg[s].toeOut, w);
        out.leg[s].pitch = lerpD(a.leg[s].pitch, b.leg[s].pitch, w);
        out.leg[s].kneeOut = lerpD(a.leg[s].kneeOut, b.leg[s].kneeOut, w);
    }
    return out;
}

Posed solve(const Pose& pose) {
    Posed p;
    auto place = [&](int node) {
        const NodeDef& def = kNodes[node];
        p.pos[node] = p.pos[def.parent] + p.frame[def.parent] * def.offset;
    };

    // Root: the figure's turn on the floor.
    p.frame[kDummy] = axisAngle({0, 0, 1}, pose.turn);
    p.pos[kDummy] = {0, 0, 0};
    const M3& ground = p.frame[kDummy];

    // Spine chain by angles.
    p.frame[kHips] = ground * kSpineRest * bendRotation(pose.pelvis);
    p.pos[kHips] = ground * V3{-pose.hips.x, -pose.hips.y, pose.hips.z};
    p.frame[kSpine] = p.frame[kHips] * bendRotation(pose.spine);
    place(kSpine);
    p.frame[kUpperSpine] = p.frame[kSpine] * bendRotation(pose.chest);
    place(kUpperSpine);
    p.frame[kNeck] = p.frame[kUpperSpine] * bendRotation(pose.neck);
    place(kNeck);
    p.frame[kHead] = p.frame[kNeck] * bendRotation(pose.head);
    place(kHead);
    p.frame[kHeadNub] = p.frame[kHead];
    place(kHeadNub);

    // Arms reach for their wrists from the shoulders.
    const M3& chest = p.frame[kUpperSpine];
    for (int side = 0; side < 2; ++side) {
        const ArmNodes& n = kArm[side];
        const ArmPose& a = pose.arm[side];
        const double out = chestOutward(side);
        auto chestVector = [&](V3 v) { return chest * V3{v.y, v.x * out, v.z}; };
        const double lift = 0.12 + a.shrug;
        p.frame[n.clavicle] =
            frameFrom(chestVector({std::cos(lift), std::sin(lift), 0}), chest.c[2]);
        place(n.clavicle);
        place(n.upper);
        const V3 shoulder = p.pos[n.upper];
        const V3 elbowDir = chestVector(a.elbow);
        const Reach r =
            reach(shoulder, shoulder + chestVector(a.wrist), kUpperArm, kForearm, elbowDir);
        // The inside of the elbow is the limb's front: +y is minus the bending plane's normal.
        p.frame[n.upper] = frameXY(r.mid - shoulder, -r.normal);
        place(n.fore);
        p.frame[n.fore] = frameXY(r.end - r.mid, -r.normal);
        place(n.hand);
        p.frame[n.hand] = p.frame[n.fore] * axisAngle({0, -1, 0}, a.wristBend);
        place(n.hand + 1);
        p.frame[n.hand + 1] = p.frame[n.hand];
    }

    // Legs reach for their ankles from the hip joints; feet point along their heading.
    // Flanks hang from the chest down to just above the hip joints (in the chest's axes:
    // x up, y right, z front), whatever the pelvis does.
    for (int side = 0; side < 2; ++side) {
        const int flank = side == kLeft ? kLFlank : kRFlank;
        const double out = chestOutward(side);
        p.frame[flank] = frameFrom(chest * V3{-48, -1.0 * out, -1}, chest.c[2]);
        place(flank);
        p.frame[flank + 1] = p.frame[flank];
        place(flank + 1);
    }

    const double restPitch = std::asin((kAnkleHeight - kToeHeight) / kFoot);
    for (int side = 0; side < 2; ++side) {
        const LegNodes& n = kLeg[side];
        const LegPose& l = pose.leg[side];
        const double out = rigOutward(side);
        place(n.thigh);
        const V3 hip = p.pos[n.thigh];
        const V3 ankle = ground * V3{l.ankle.x * out, -l.ankle.y, l.ankle.z};
        const V3 heading = ground * V3{out * std::sin(l.toeOut), -std::cos(l.toeOut), 0};
        const double kneeAngle = l.toeOut + l.kneeOut;
        const V3 kneeDir = ground * V3{out * std::sin(kneeAngle), -std::cos(kneeAngle), 0};
        const Reach r = reach(hip, ankle, kThigh, kCalf, kneeDir);
        // The knee is the leg's front: +y is the bending plane's normal.
        p.frame[n.thigh] = frameXY(r.mid - hip, r.normal);
        place(n.calf);
        p.frame[n.calf] = frameXY(r.end - r.mid, r.normal);
        place(n.foot);
        const double pitch = restPitch + l.pitch;
        const V3 toeDir = heading * std::cos(pitch) + ground.c[2] * -std::sin(pitch);
        p.frame[n.foot] = frameFrom(toeDir, ground.c[2]);
        place(n.foot + 1);
        p.frame[n.foot + 1] = p.frame[n.foot];
    }
    return p;
}

M3 localRotation(const Posed& posed, int node) {
    const int parent = kNodes[node].parent;
    return parent < 0 ? posed.frame[node] : transpose(posed.frame[parent]) * posed.frame[node];
}

V3 localPosition(const Posed& posed, int node) {
    const int parent = kNodes[node].parent;
    return parent < 0 ? posed.pos[node]
                      : transpose(posed.frame[parent]) * (posed.pos[node] - posed.pos[parent]);
}

} // namespace fig
} // namespace gen

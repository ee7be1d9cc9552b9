// The one rig every motion shares: node names and tree, bone lengths, and the pose solver that
// turns a Pose (joint angles and limb targets) into a world frame per node.
//
// Rig frame: z up, the figure faces -y, its left is +x, feet on z = 0, units of about a
// centimetre (the figure stands some 170 tall). Every node's local +x runs along its bone to
// its child. The spine chain (Hips to Head) has local +y to the figure's right and +z to its
// front, so a model attached there (drawn turned by -90 degrees about z) keeps its +y up the
// spine and its +z forwards. Limb bones have +z towards the limb's front (the knee, the inside
// of the elbow).
#pragma once

#include "figures/rig_math.h"

namespace gen {
namespace fig {

enum Node {
    kDummy,
    kHips,
    kSpine,
    kUpperSpine,
    kNeck,
    kHead,
    kHeadNub,
    kLClavicle,
    kLUpperArm,
    kLForearm,
    kLHand,
    kLFinger,
    kRClavicle,
    kRUpperArm,
    kRForearm,
    kRHand,
    kRFinger,
    kLThigh,
    kLCalf,
    kLFoot,
    kLToe,
    kRThigh,
    kRCalf,
    kRFoot,
    kRToe,
    kLFlank,
    kLFlankEnd,
    kRFlank,
    kRFlankEnd,
    kNodeCount
};

struct NodeDef {
    const char* name;
    int parent; // -1 for the root
    V3 offset;  // joint position in the parent's local frame
};

// The node table, indexed by Node. Names as the files carry them: "$$$DUMMY" and the names
// beginning with '-' draw nothing.
const NodeDef& nodeDef(int node);

// Bone lengths (joint to child joint).
constexpr double kThigh = 42, kCalf = 41, kFoot = 16.5;
constexpr double kClavicle = 15, kUpperArm = 29, kForearm = 26, kHand = 9;
// Flanks: from under each shoulder down to above the hip joint, they give the chest its
// width (the spine alone is as thin as a limb).
constexpr double kFlank = 49;
// Hips joint height when standing at ease, the ankle height of a flat foot and the height of
// its toe joint (the bone is thick: its tip must clear the floor).
constexpr double kStandHips = 95, kAnkleHeight = 8, kToeHeight = 3.5;

// Side of a limb: the figure's left or right.
enum Side { kLeft = 0, kRight = 1 };

// Forward bend, lean to the figure's right and turn to the figure's left, in radians, about
// the joint's own axes (applied in that order).
struct Bend {
    double forward = 0, right = 0, turn = 0;
};

// An arm reaches for a wrist position; vectors are in the chest's axes, mirrored per side:
// x outwards (away from the body's midline), y up, z forwards.
struct ArmPose {
    V3 wrist{6, -53, 4};     // relative to the shoulder joint
    V3 elbow{0.3, 0, -1};    // direction the elbow points (the bend happens towards it)
    double wristBend = 0.15; // hand flexed towards the palm
    double shrug = 0;        // clavicle raised
};

// A leg places its ankle; ground axes mirrored per side: x outwards, y forwards, z up, from
// the figure's origin on the floor.
struct LegPose {
    V3 ankle{11, 0, kAnkleHeight};
    double toeOut = 0.12; // the foot turned outwards
    double pitch = 0;     // toes lowered (heel raised) from the flat foot
    double kneeOut = 0.1; // knee direction turned outwards from the foot's heading
};

struct Pose {
    double turn = 0;           // the whole figure, to its left, about the vertical
    V3 hips{0, 0, kStandHips}; // hips joint in the figure's ground axes: x right, y front, z up
    Bend pelvis, spine, chest, neck, head;
    ArmPose arm[2];
    LegPose leg[2];
};

// Weighted blend of two poses (every number linearly; w = 0 gives a, 1 gives b).
Pose blend(const Pose& a, const Pose& b, double w);

// World (rig frame) placement of every node.
struct Posed {
    V3 pos[kNodeCount];
    M3 frame[kNodeCount];
};

Posed solve(const Pose& pose);

// Rotation of a node relative to its parent (the root: relative to the rig frame), and its
// position in the parent's frame.
M3 localRotation(const Posed& posed, int node);
V3 localPosition(const Posed& posed, int node);

// Two-bone reach: from `root`, bones of lengths a and b towards `target`, the middle joint
// bending towards `bendDir`. The reach is clamped to what the bones allow. `normal` is the
// unit normal of the bending plane, (bend side) cross (root to target).
struct Reach {
    V3 mid, end, normal;
};
Reach reach(V3 root, V3 target, double a, double b, V3 bendDir);

} // namespace fig
} // namespace gen

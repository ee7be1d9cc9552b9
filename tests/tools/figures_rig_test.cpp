// The figure generator's pieces: the rig tree and its pose solver, the two-bone reach, the
// keyframe encoding read back through lib3ds, and the shapes of the bone, head and torso.
#include <gtest/gtest.h>

#include <lib3ds/file.h>
#include <lib3ds/node.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "figures/figure_models.h"
#include "figures/keys3ds.h"
#include "figures/motions.h"
#include "figures/rig.h"

using namespace gen::fig;

namespace {

V3 column(const Lib3dsMatrix m, int c) {
    return {m[c][0], m[c][1], m[c][2]};
}

// Every rotation matrix is orthonormal and right-handed.
void expectRotation(const M3& m, const std::string& what) {
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(length(m.c[i]), 1, 1e-9) << what;
        EXPECT_NEAR(dot(m.c[i], m.c[(i + 1) % 3]), 0, 1e-9) << what;
    }
    EXPECT_NEAR(dot(cross(m.c[0], m.c[1]), m.c[2]), 1, 1e-9) << what;
}

} // namespace

TEST(FigureRig, NamesAreUniqueAndIncludeTheBoundAndSilentNodes) {
    std::set<std::string> names;
    int silent = 0;
    for (int i = 0; i < kNodeCount; ++i) {
        const std::string name = nodeDef(i).name;
        EXPECT_TRUE(names.insert(name).second) << "duplicate " << name;
        EXPECT_LT(name.size(), 64u);
        if (name == "$$$DUMMY" || name[0] == '-')
            ++silent;
        // Parents come first, so lib3ds can place each node as it is inserted.
        EXPECT_LT(nodeDef(i).parent, i) << name;
    }
    for (const char* needed : {"Head", "Upper spin", "Hips", "$$$DUMMY"})
        EXPECT_EQ(names.count(needed), 1u) << needed;
    EXPECT_GE(silent, 2);
}

TEST(FigureRig, RestPoseStandsFacingMinusYWithBonesAlongLocalX) {
    const Posed rest = solve(Pose());
    for (int i = 0; i < kNodeCount; ++i)
        expectRotation(rest.frame[i], nodeDef(i).name);
    // Every chain child sits on its parent's +x axis: the demo draws each bone along +x.
    for (int i = 1; i < kNodeCount; ++i) {
        const int parent = nodeDef(i).parent;
        const V3 offset = nodeDef(i).offset;
        if (parent <= 0 || std::fabs(offset.y) + std::fabs(offset.z) > 0)
            continue;
        const V3 along = normalize(rest.pos[i] - rest.pos[parent]);
        EXPECT_GT(dot(along, rest.frame[parent].c[0]), 0.9999) << nodeDef(i).name;
    }
    // Head and chest: +x up, +z to the figure's front (file -y).
    for (int node : {kHead, kUpperSpine}) {
        EXPECT_GT(rest.frame[node].c[0].z, 0.99) << nodeDef(node).name;
        EXPECT_LT(rest.frame[node].c[2].y, -0.99) << nodeDef(node).name;
    }
    // Feet on the floor, head near 170 units, the left side at +x.
    EXPECT_NEAR(rest.pos[kLToe].z, kToeHeight, 1e-6);
    EXPECT_NEAR(rest.pos[kRToe].z, kToeHeight, 1e-6);
    EXPECT_GT(rest.pos[kHead].z, 145);
    EXPECT_LT(rest.pos[kHead].z, 160);
    EXPECT_GT(rest.pos[kLUpperArm].x, 10);
    EXPECT_LT(rest.pos[kRUpperArm].x, -10);
    // Toes point forwards, knees bend forwards.
    EXPECT_LT(rest.pos[kLToe].y, rest.pos[kLFoot].y - 10);
    const V3 knee = rest.pos[kLCalf] - (rest.pos[kLThigh] + rest.pos[kLFoot]) * 0.5;
    EXPECT_LT(knee.y, 0);
}

TEST(FigureRig, ReachKeepsBoneLengthsAndBendsTowardsTheHint) {
    struct Case {
        V3 target, hint;
        bool reachable;
    } cases[] = {
        {{0, 0, -50}, {0, -1, 0}, true},
        {{20, -20, -20}, {0, 0, 1}, true},
        {{0, 0, -10}, {1, 0, 0}, true},
        {{0, 0, -200}, {0, -1, 0}, false}, // too far: the limb stretches straight
        {{0, 0, -1}, {0, -1, 0}, false},   // too close: folds as far as it can
        {{0, 0, -50}, {0, 0, -1}, true},   // hint along the reach: any bend will do
    };
    const double a = 30, b = 26;
    for (const Case& c : cases) {
        const Reach r = reach({0, 0, 0}, c.target, a, b, c.hint);
        EXPECT_NEAR(length(r.mid), a, 1e-6);
        EXPECT_NEAR(length(r.end - r.mid), b, 1e-6);
        EXPECT_NEAR(length(r.normal), 1, 1e-9);
        if (c.reachable) {
            EXPECT_NEAR(length(r.end - c.target), 0, 1e-6);
            const V3 side = r.mid - normalize(c.target) * dot(r.mid, normalize(c.target));
            if (length(cross(c.hint, c.target)) > 1e-9) {
                EXPECT_GT(dot(side, c.hint), 0);
            }
        } else {
            EXPECT_NEAR(dot(normalize(r.end), normalize(c.target)), 1, 1e-9);
        }
    }
}

TEST(FigureRig, QuaternionsRoundTripIncludingHalfTurns) {
    const V3 axes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {1, 2, 3}, {-3, 1, 0.5}};
    const double angles[] = {0, 0.3, -1.2, 2.5, kPi, -kPi + 1e-7};
    for (const V3& axis : axes)
        for (double angle : angles) {
            const M3 m = axisAngle(axis, angle);
            const M3 back = matrixFromQuat(quatFromMatrix(m));
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(length(back.c[c] - m.c[c]), 0, 1e-9) << angle;
        }
}

// lib3ds rebuilds each key's orientation from the relative rotations: at every key frame of
// every motion the evaluated world matrices must be the authored ones.
TEST(FigureRig, KeyframeFilesEvaluateToTheAuthoredPoses) {
    for (const MotionDef& motion : motionTable()) {
        const Clip clip = sampleClip(motion);
        Lib3dsFile* file = buildKeyframeFile(clip);
        ASSERT_NE(file, nullptr) << motion.file;
        EXPECT_EQ(file->frames, motion.frames);
        double worstPos = 0, worstAxis = 0;
        for (size_t k = 0; k < clip.keyFrames.size(); ++k) {
            lib3ds_file_eval(file, static_cast<float>(clip.keyFrames[k]));
            for (int i = 0; i < kNodeCount; ++i) {
                Lib3dsNode* node =
                    lib3ds_file_node_by_name(file, nodeDef(i).name, LIB3DS_OBJECT_NODE);
                ASSERT_NE(node, nullptr) << nodeDef(i).name;
                worstPos =
                    std::fmax(worstPos, length(column(node->matrix, 3) - clip.poses[k].pos[i]));
                for (int c = 0; c < 3; ++c)
                    worstAxis = std::fmax(
                        worstAxis, length(column(node->matrix, c) - clip.poses[k].frame[i].c[c]));
            }
        }
        EXPECT_LT(worstPos, 0.05) << motion.file;
        EXPECT_LT(worstAxis, 1e-3) << motion.file;
        lib3ds_file_free(file);
    }
}

TEST(FigureRig, EveryClipClosesItsLoopAndKeepsItsTracksShort) {
    for (const MotionDef& motion : motionTable()) {
        const Clip clip = sampleClip(motion);
        ASSERT_EQ(clip.keyFrames.front(), 0);
        ASSERT_EQ(clip.keyFrames.back(), motion.frames);
        for (size_t k = 1; k < clip.keyFrames.size(); ++k)
            EXPECT_LT(clip.keyFrames[k - 1], clip.keyFrames[k]) << motion.file;
        // The closing key repeats the first pose exactly.
        for (int i = 0; i < kNodeCount; ++i)
            EXPECT_LT(length(clip.poses.back().pos[i] - clip.poses.front().pos[i]), 1e-9);
        EXPECT_LE(clip.keyFrames.size(), 200u) << motion.file;
    }
}

// Each motion's pose function must be continuous all the way round, the end of the loop into
// its start included: sampled eight times a frame, no step may jump far beyond its neighbours
// (a jump in the authored poses would be smeared over a whole key interval in the file).
TEST(FigureRig, EveryPoseFunctionIsContinuousAroundTheLoop) {
    for (const MotionDef& motion : motionTable()) {
        const int n = motion.frames * 8;
        std::vector<Posed> poses;
        for (int k = 0; k < n; ++k)
            poses.push_back(solve(motion.pose(static_cast<double>(k) / n)));
        std::vector<double> steps(n);
        for (int k = 0; k < n; ++k) {
            const Posed& a = poses[k];
            const Posed& b = poses[(k + 1) % n];
            for (int i = 0; i < kNodeCount; ++i)
                steps[k] = std::fmax(steps[k], length(b.pos[i] - a.pos[i]));
        }
        for (int k = 0; k < n; ++k) {
            const double around = std::fmax(steps[(k + n - 1) % n], steps[(k + 1) % n]);
            EXPECT_LE(steps[k], 3 * around + 0.3) << motion.file << " at phase " << k / double(n);
        }
    }
}

TEST(FigureShapes, CountsAndExtents) {
    struct Case {
        const char* name;
        gen::Mesh mesh;
        size_t triangles;
        float minY, maxY;
    } cases[] = {
        {"bone", boneMesh(), 8, -kBoneBackReach, 5 + kBoneTipReach},
        {"head", headMesh(), 84, -4, 23},
        {"body", bodyMesh(), 60, -33, 26},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.mesh.triangles.size(), c.triangles) << c.name;
        float lo = 1e9f, hi = -1e9f;
        for (const gen::Vec3& p : c.mesh.positions) {
            lo = std::fmin(lo, p.y);
            hi = std::fmax(hi, p.y);
        }
        EXPECT_GE(lo, c.minY) << c.name;
        EXPECT_LE(hi, c.maxY) << c.name;
    }
    // The bone reaches past both joints, so that neighbours overlap there.
    const gen::Mesh bone = boneMesh();
    float lo = 1e9f, hi = -1e9f;
    for (const gen::Vec3& p : bone.positions) {
        lo = std::fmin(lo, p.y);
        hi = std::fmax(hi, p.y);
    }
    EXPECT_LT(lo, 0);
    EXPECT_GT(hi, 5);
}

// Back faces are culled: every triangle must wind counter-clockwise seen from outside, and its
// normals must point out too.
TEST(FigureShapes, EveryFaceLooksOutwards) {
    const gen::Mesh meshes[] = {boneMesh(), headMesh(), bodyMesh()};
    for (const gen::Mesh& m : meshes) {
        for (const gen::Triangle& t : m.triangles) {
            const gen::Vec3 a = m.positions[t.c[0].position], b = m.positions[t.c[1].position],
                            c = m.positions[t.c[2].position];
            const gen::Vec3 centre = (a + b + c) * (1.0f / 3);
            const gen::Vec3 outward = centre - gen::Vec3{0, centre.y, 0};
            const gen::Vec3 facing = gen::cross(b - a, c - a);
            // Sideways faces must face away from the y axis; caps at least not towards it.
            if (gen::length(outward) > 1.0f && std::fabs(facing.y) < gen::length(facing) * 0.7f) {
                EXPECT_GT(gen::dot(facing, outward), 0);
            }
            for (const gen::Corner& k : t.c)
                EXPECT_GT(gen::dot(m.normals[k.normal], facing), 0);
        }
    }
}

TEST(FigureShapes, LoftTextureRowsAndFrontFollowTheRings) {
    const std::vector<Ring> rings = {{0, 0, 0, 0, 0}, {1, 2, 2, 0, 0.5f}, {2, 0, 0, 0, 1}};
    const gen::Mesh m = loft(rings, 4, false);
    EXPECT_EQ(m.triangles.size(), 8u);
    for (const gen::Triangle& t : m.triangles)
        for (const gen::Corner& k : t.c) {
            const gen::Vec3 p = m.positions[k.position];
            const gen::Vec2 uv = m.uvs[k.uv];
            EXPECT_FLOAT_EQ(uv.v, p.y / 2);
            // The front (+z) is at u = 0.5 and the figure's left (+x) at u = 0.25.
            if (p.z > 1.9f) {
                EXPECT_NEAR(uv.u, 0.5f, 1e-6);
            }
            if (p.x > 1.9f) {
                EXPECT_NEAR(uv.u, 0.25f, 1e-6);
            }
        }
}

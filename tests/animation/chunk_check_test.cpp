// The .3DS chunk check: what lib3ds writes passes, and malformed files never reach lib3ds but
// end the motion's load with its one line and status 1.
#include <gtest/gtest.h>

#include <lib3ds/file.h>
#include <lib3ds/light.h>
#include <lib3ds/material.h>
#include <lib3ds/mesh.h>
#include <lib3ds/node.h>
#include <lib3ds/tracks.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "animation/chunk_check.h"
#include "animation/motion.h"
#include "platform/fatal.h"
#include "rig_fixture.h"
#include "support/child.h"
#include "support/hand_made_3ds.h"
#include "support/paths.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t u16(const Bytes& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t u32(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Where a chunk of the fixture rig sits: its offset and the end of its parent's payload.
struct ChunkAt {
    std::size_t offset;
    std::uint16_t id;
    std::size_t parentEnd;
};

// The rig as lib3ds writes it only nests chunks in the main chunk, MDATA, KFDATA and the
// node tags, none of which has data before its children.
void listChunks(const Bytes& b, std::size_t begin, std::size_t end, std::vector<ChunkAt>* out) {
    for (std::size_t at = begin; at + 6 <= end;) {
        const std::uint16_t id = u16(b, at);
        const std::uint32_t length = u32(b, at + 2);
        out->push_back({at, id, end});
        if (id == 0x4D4D || id == 0x3D3D || id == 0xB000 || id == 0xB002)
            listChunks(b, at + 6, at + length, out);
        at += length;
    }
}

std::vector<ChunkAt> chunksOf(const Bytes& b) {
    std::vector<ChunkAt> chunks;
    listChunks(b, 0, b.size(), &chunks);
    return chunks;
}

const ChunkAt& find(const std::vector<ChunkAt>& chunks, std::uint16_t id, int nth = 0) {
    for (const ChunkAt& c : chunks)
        if (c.id == id && nth-- == 0)
            return c;
    ADD_FAILURE() << "no chunk " << std::hex << id;
    return chunks.front();
}

bool check(const Bytes& b, std::string* reason = nullptr) {
    std::string ignored;
    return check3dsBytes(b.data(), b.size(), reason ? reason : &ignored);
}

TEST(ChunkCheck, AcceptsWhatLib3dsWrites) {
    const std::string dir = makeScratchTree("chunk-accept");
    for (int frames : {100, 0}) {
        const Bytes rig = testRigBytes(frames);
        ASSERT_FALSE(rig.empty());
        std::string reason;
        EXPECT_TRUE(check(rig, &reason)) << reason;
    }
    // A scene with meshes, materials, a camera, a spotlight, background, fog and viewports
    // exercises every descent of the walker; lib3ds reads back what was written.
    const std::string scene = dir + "/models/moves/scene.3DS";
    ASSERT_TRUE(writeTestScene(scene));
    std::string reason;
    EXPECT_TRUE(check3dsFile(scene, &reason)) << reason;
    Lib3dsFile* file = lib3ds_file_load(scene.c_str());
    ASSERT_NE(file, nullptr);
    ASSERT_NE(file->meshes, nullptr);
    EXPECT_EQ(file->meshes->faces, 2u);
    EXPECT_STREQ(file->meshes->faceL[1].material, "paint");
    ASSERT_NE(file->materials, nullptr);
    EXPECT_STREQ(file->materials->texture1_map.name, "paint.png");
    EXPECT_NE(file->cameras, nullptr);
    ASSERT_NE(file->lights, nullptr);
    EXPECT_TRUE(file->lights->spot_light);
    EXPECT_TRUE(file->atmosphere.fog.use);
    EXPECT_EQ(file->viewport.layout.views, 1u);
    EXPECT_NE(lib3ds_file_node_by_name(file, "Head", LIB3DS_OBJECT_NODE), nullptr);
    lib3ds_file_free(file);
}

struct Malformed {
    std::string what;
    Bytes bytes;
};

// Every way the rig can be broken that lib3ds would hang on, crash on or misread.
std::vector<Malformed> malformedRigs() {
    const Bytes rig = testRigBytes(100);
    const std::vector<ChunkAt> chunks = chunksOf(rig);
    std::vector<Malformed> cases;
    auto add = [&](const std::string& what, const std::function<void(Bytes&)>& change) {
        Bytes b = rig;
        change(b);
        cases.push_back({what, b});
    };
    for (const ChunkAt& c : chunks) {
        const std::string where =
            " chunk " + std::to_string(c.id) + " at " + std::to_string(c.offset);
        add("zero-size" + where, [&](Bytes& b) { put32(b, c.offset + 2, 0); });
        add("size 5" + where, [&](Bytes& b) { put32(b, c.offset + 2, 5); });
        if (c.offset > 0)
            add("past its parent" + where, [&](Bytes& b) {
                put32(b, c.offset + 2, static_cast<std::uint32_t>(c.parentEnd - c.offset + 1));
            });
    }
    add("past the file", [&](Bytes& b) { put32(b, 2, static_cast<std::uint32_t>(b.size() + 1)); });
    for (std::size_t size = 0; size < rig.size(); ++size)
        add("truncated at " + std::to_string(size), [&](Bytes& b) { b.resize(size); });
    add("not a 3DS main chunk", [&](Bytes& b) { put16(b, 0, 0x3D3D); });
    add("stray bytes at the end of a chunk", [&](Bytes& b) {
        // KFDATA is the main chunk's last child: grow both by three bytes.
        const ChunkAt& kf = find(chunks, 0xB000);
        b.insert(b.end(), 3, 0);
        put32(b, 2, u32(b, 2) + 3);
        put32(b, kf.offset + 2, u32(b, kf.offset + 2) + 3);
    });

    // The keyframer nodes in file order: Hips, $$$DUMMY, Thumb, Spine, -Hand, Finger, Head
    // (lib3ds writes them depth first). Node headers hold name, flags1, flags2, parent.
    const ChunkAt& hipsHeader = find(chunks, 0xB010, 0);
    const std::size_t hipsParent = hipsHeader.offset + 6 + std::strlen("Hips") + 1 + 4;
    const ChunkAt& spineId = find(chunks, 0xB030, 3);
    const ChunkAt& track = find(chunks, 0xB020, 0);
    add("a node is its own parent", [&](Bytes& b) { put16(b, hipsParent, 0); });
    add("two nodes are each other's parent", [&](Bytes& b) { put16(b, hipsParent, 3); });
    add("two nodes share an id", [&](Bytes& b) { put16(b, spineId.offset + 6, 1); });
    add("a node name without its NUL", [&](Bytes& b) {
        for (std::size_t i = hipsHeader.offset + 6;
             i < hipsHeader.offset + u32(b, hipsHeader.offset + 2); ++i)
            b[i] = 'x';
    });
    add("a track with 2^31 - 1 keys",
        [&](Bytes& b) { put32(b, track.offset + 6 + 10, 0x7FFFFFFF); });
    add("a track with one key more than it holds",
        [&](Bytes& b) { put32(b, track.offset + 6 + 10, u32(b, track.offset + 6 + 10) + 1); });
    add("a track key with tcb values it does not hold", [&](Bytes& b) {
        // The first key's flags: tension, continuity, bias, ease to and from.
        put16(b, track.offset + 6 + 14 + 4, 0x1F);
    });
    return cases;
}

// Fatal paths run in a child whose fatal exit skips static destructors.
ChildResult runFatal(const std::function<void()>& body) {
    return runInChild([&] {
        platform::setFatalHandler([](int status) { std::_Exit(status); });
        body();
    });
}

TEST(ChunkCheck, RejectsMalformedFiles) {
    const std::vector<Malformed> cases = malformedRigs();
    ASSERT_GT(cases.size(), 100u);
    for (const Malformed& c : cases) {
        std::string reason;
        EXPECT_FALSE(check(c.bytes, &reason)) << c.what;
        EXPECT_FALSE(reason.empty()) << c.what;
    }
}

// The check runs before lib3ds sees the file: every malformed file ends the load cleanly with
// the one line and status 1, in well under the child's time limit.
TEST(ChunkCheck, MalformedFilesEndTheMotionLoadCleanly) {
    const std::string dir = makeRigTree("chunk-malformed");
    const std::vector<Malformed> cases = malformedRigs();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Malformed& c = cases[i];
        // Every structural case, and every third truncation (all of them go through the
        // check itself in the test above).
        if (c.what.rfind("truncated", 0) == 0 && c.bytes.size() % 3 != 0)
            continue;
        const std::string path = dir + "/models/moves/bad" + std::to_string(i) + ".3DS";
        ASSERT_TRUE(writeFile(path, std::string(c.bytes.begin(), c.bytes.end())));
        const ChildResult r = runFatal([&] { Motion().load(path); });
        EXPECT_FALSE(r.timedOut) << c.what;
        EXPECT_EQ(r.signal, 0) << c.what;
        EXPECT_TRUE(r.exited) << c.what;
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.err, "Unable to open 3ds file " + path + "\n") << c.what;
        EXPECT_EQ(r.out, "") << c.what;
    }
}

// Where the scene's mesh "box" keeps its arrays: lib3ds writes the N_TRI_OBJECT right after
// the object's name, and the material group right after the face array's faces.
struct SceneMesh {
    std::size_t points = 0, faces = 0, materialGroup = 0;
};

SceneMesh findMesh(const Bytes& b) {
    const std::string text(b.begin(), b.end());
    const std::size_t name = text.find(std::string("box\0\0\x41", 6));
    EXPECT_NE(name, std::string::npos);
    SceneMesh mesh;
    if (name == std::string::npos)
        return mesh;
    const std::size_t object = name + 4;
    for (std::size_t at = object + 6; at < object + u32(b, object + 2); at += u32(b, at + 2)) {
        if (u16(b, at) == 0x4110)
            mesh.points = at;
        if (u16(b, at) == 0x4120)
            mesh.faces = at;
    }
    mesh.materialGroup = mesh.faces + 6 + 2 + 8 * u16(b, mesh.faces + 6);
    EXPECT_EQ(u16(b, mesh.materialGroup), 0x4130);
    return mesh;
}

// lib3ds writes a material group's faces and computes face normals from the corners without
// looking at the counts.
TEST(ChunkCheck, RejectsMeshesThatIndexPastTheirArrays) {
    const std::string path = makeScratchTree("chunk-mesh") + "/models/moves/scene.3DS";
    ASSERT_TRUE(writeTestScene(path));
    const std::string text = readFile(path);
    const Bytes scene(text.begin(), text.end());
    ASSERT_TRUE(check(scene));
    const SceneMesh mesh = findMesh(scene);
    ASSERT_NE(mesh.points, 0u);
    // The box: 4 points, faces (0 1 2) and (1 3 2), one group "paint" of faces 0 and 1.
    const std::size_t firstCorner = mesh.faces + 6 + 2;
    const std::size_t groupFaces = mesh.materialGroup + 6 + std::strlen("paint") + 1 + 2;
    ASSERT_EQ(u16(scene, mesh.points + 6), 4);
    ASSERT_EQ(u16(scene, groupFaces + 2), 1);
    struct Case {
        const char* what;
        std::function<void(Bytes&)> change;
        const char* reason;
        bool rejected;
    };
    const Case cases[] = {
        {"a group naming face 2 of 2", [&](Bytes& b) { put16(b, groupFaces + 2, 2); },
         "face 2 of 2", true},
        {"a group naming face 0 twice", [&](Bytes& b) { put16(b, groupFaces + 2, 0); }, "", false},
        {"a corner naming point 4 of 4", [&](Bytes& b) { put16(b, firstCorner + 2, 4); },
         "point 4 of a mesh with 4", true},
        {"a corner naming point 3 of 4", [&](Bytes& b) { put16(b, firstCorner + 2, 3); }, "",
         false},
        {"faces without points", [&](Bytes& b) { put16(b, mesh.points, 0x0010); }, "with 0 points",
         true},
        {"fewer points than the faces use", [&](Bytes& b) { put16(b, mesh.points + 6, 3); }, "",
         true},
        {"a point count above the points held", [&](Bytes& b) { put16(b, mesh.points + 6, 5); },
         "fewer items", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes b = scene;
        c.change(b);
        std::string reason;
        EXPECT_EQ(check(b, &reason), !c.rejected) << reason;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
}

// A one-node file, written by lib3ds, whose `kind` track loops over keys at `frames`.
enum class TrackKind { Position, Rotation, Scale, Fov, Hide };

Bytes loopingTrackFile(TrackKind kind, const std::vector<int>& frames) {
    Lib3dsFile* file = lib3ds_file_new();
    file->frames = 100;
    const bool camera = kind == TrackKind::Fov;
    Lib3dsNode* node = camera ? lib3ds_node_new_camera() : lib3ds_node_new_object();
    std::strcpy(node->name, "Hips");
    node->node_id = 0;
    node->parent_id = LIB3DS_NO_PARENT;
    for (int frame : frames) {
        switch (kind) {
        case TrackKind::Position:
        case TrackKind::Scale: {
            Lib3dsLin3Key* key = lib3ds_lin3_key_new();
            key->tcb.frame = frame;
            lib3ds_lin3_track_insert(kind == TrackKind::Scale ? &node->data.object.scl_track
                                                              : &node->data.object.pos_track,
                                     key);
            break;
        }
        case TrackKind::Rotation: {
            Lib3dsQuatKey* key = lib3ds_quat_key_new();
            key->tcb.frame = frame;
            key->axis[2] = 1.0f;
            lib3ds_quat_track_insert(&node->data.object.rot_track, key);
            break;
        }
        case TrackKind::Fov: {
            Lib3dsLin1Key* key = lib3ds_lin1_key_new();
            key->tcb.frame = frame;
            lib3ds_lin1_track_insert(&node->data.camera.fov_track, key);
            break;
        }
        case TrackKind::Hide: {
            Lib3dsBoolKey* key = lib3ds_bool_key_new();
            key->tcb.frame = frame;
            lib3ds_bool_track_insert(&node->data.object.hide_track, key);
            break;
        }
        }
    }
    node->data.object.pos_track.flags |= LIB3DS_REPEAT;
    node->data.object.rot_track.flags |= LIB3DS_REPEAT;
    node->data.object.scl_track.flags |= LIB3DS_REPEAT;
    node->data.object.hide_track.flags |= LIB3DS_REPEAT;
    if (camera)
        node->data.camera.fov_track.flags |= LIB3DS_REPEAT;
    lib3ds_file_insert_node(file, node);
    const std::string path = makeScratchTree("looping") + "/models/moves/loop.3DS";
    const bool saved = lib3ds_file_save(file, path.c_str()) != 0;
    lib3ds_file_free(file);
    EXPECT_TRUE(saved);
    const std::string text = readFile(path);
    return Bytes(text.begin(), text.end());
}

// A looping track past its last key makes lib3ds compute the frame within the loop in float
// arithmetic and follow a null pointer when the result misses every key interval. The check
// must refuse exactly the frames where that can happen (within its bound of 2^24) on every
// kind of track with that arithmetic, and only those: each file is also evaluated by lib3ds
// itself, bypassing the check, at whole frames up to far past the keys.
TEST(ChunkCheck, RefusesLoopingTracksWhoseFramesLib3dsCannotWrap) {
    constexpr int kExact = 1 << 24;
    struct Case {
        std::vector<int> frames;
        bool accepted;
    };
    const Case cases[] = {
        {{-3, 0}, true},          {{-1000001, 0}, true},    {{-kExact, 0}, true},
        {{0, kExact}, true},      {{5, 17, 90}, true},      {{-kExact - 1, 0}, false},
        {{-100000001, 0}, false}, {{0, kExact + 1}, false}, {{7, 7}, false},
    };
    const float probes[] = {0.0f,        1.0f,        99.0f,        16777216.0f,
                            16777218.0f, 33554432.0f, 100000000.0f, 2147483648.0f};
    for (TrackKind kind : {TrackKind::Position, TrackKind::Rotation, TrackKind::Scale,
                           TrackKind::Fov, TrackKind::Hide}) {
        for (const Case& c : cases) {
            SCOPED_TRACE("track kind " + std::to_string(static_cast<int>(kind)) + ", keys from " +
                         std::to_string(c.frames.front()) + " to " +
                         std::to_string(c.frames.back()));
            const Bytes b = loopingTrackFile(kind, c.frames);
            std::string reason;
            // Hide tracks have no repeat arithmetic and pass with any frames.
            const bool expected = c.accepted || kind == TrackKind::Hide;
            EXPECT_EQ(check(b, &reason), expected) << reason;
            if (!expected) {
                EXPECT_NE(reason.find("looping track"), std::string::npos) << reason;
            }
            const std::string path = makeScratchTree("looping-eval") + "/loop.3DS";
            ASSERT_TRUE(writeFile(path, std::string(b.begin(), b.end())));
            const ChildResult r = runInChild([&] {
                Lib3dsFile* file = lib3ds_file_load(path.c_str());
                if (!file)
                    std::_Exit(3);
                for (float t : probes)
                    lib3ds_file_eval(file, t);
                std::_Exit(0);
            });
            // Every accepted file survives; the refused ones of these cases all crash lib3ds.
            EXPECT_EQ(r.exited && r.status == 0, expected) << "signal " << r.signal;
        }
    }
}

// Rigs past the limits are refused, in time linear in their size (a 60,000-node chain took
// the tree walk minutes when it was quadratic); rigs at the limits pass.
TEST(ChunkCheck, RefusesRigsPastTheLimits) {
    struct Case {
        int nodes;
        bool chain;
        const char* reason; // empty: accepted
    };
    const Case cases[] = {
        {kMax3dsNodeDepth, true, ""},
        {kMax3dsNodeDepth + 1, true, "deeper than"},
        {60000, true, "keyframer nodes"},
        {static_cast<int>(kMax3dsNodes), false, ""},
        {static_cast<int>(kMax3dsNodes) + 1, false, "more than"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.nodes) + (c.chain ? " nodes in a chain" : " nodes"));
        std::string reason;
        const std::string rig = nodeTree3ds(c.nodes, c.chain);
        EXPECT_EQ(check(Bytes(rig.begin(), rig.end()), &reason), *c.reason == 0) << reason;
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
    }
}

TEST(ChunkCheck, UnreadableFilesFail) {
    const std::string dir = makeScratchTree("chunk-unreadable");
    std::string reason;
    EXPECT_FALSE(check3dsFile(dir + "/models/moves/none.3DS", &reason));
    EXPECT_FALSE(check3dsFile(dir + "/models", &reason));
}

} // namespace

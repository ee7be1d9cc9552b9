// Keyframer files through lib3ds's own writer.
#include "figures/keys3ds.h"

#include <lib3ds/node.h>
#include <lib3ds/quat.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace gen {
namespace fig {
namespace {

bool sameVector(V3 a, V3 b) {
    return length(a - b) < 1e-4;
}

// Position track: one key when the joint never moves relative to its parent.
void addPositionKeys(Lib3dsNode* node, const Clip& clip, int index) {
    Lib3dsLin3Track& track = node->data.object.pos_track;
    bool constant = true;
    const V3 first = localPosition(clip.poses[0], index);
    for (const Posed& p : clip.poses)
        constant = constant && sameVector(localPosition(p, index), first);
    const size_t count = constant ? 1 : clip.poses.size();
    for (size_t k = 0; k < count; ++k) {
        const V3 v = localPosition(clip.poses[k], index);
        Lib3dsLin3Key* key = lib3ds_lin3_key_new();
        key->tcb.frame = clip.keyFrames[k];
        key->value[0] = static_cast<float>(v.x);
        key->value[1] = static_cast<float>(v.y);
        key->value[2] = static_cast<float>(v.z);
        lib3ds_lin3_track_insert(&track, key);
    }
    if (!constant)
        track.flags = LIB3DS_SMOOTH;
}

// Rotation track in lib3ds's relative form. Each key's rotation is taken from the orientation
// lib3ds itself will have rebuilt for the previous key (in single precision), so rounding does
// not pile up along the track. Returns false when the loop closes on the negated quaternion.
bool addRotationKeys(Lib3dsNode* node, const Clip& clip, int index) {
    Lib3dsQuatTrack& track = node->data.object.rot_track;
    std::vector<Quat> target;
    for (const Posed& p : clip.poses)
        target.push_back(quatFromMatrix(localRotation(p, index)));
    bool constant = true;
    for (const Quat& q : target)
        constant = constant && std::fabs(dot(q, target[0])) > 1 - 1e-10;
    const size_t count = constant ? 1 : target.size();

    Lib3dsQuat rebuilt = {0, 0, 0, 1};
    Quat first;
    for (size_t k = 0; k < count; ++k) {
        const Quat prev{rebuilt[0], rebuilt[1], rebuilt[2], rebuilt[3]};
        Quat rel = k == 0 ? target[0] : target[k] * conjugate(prev);
        if (rel.w < 0)
            rel = {-rel.x, -rel.y, -rel.z, -rel.w};
        const double s = std::sqrt(rel.x * rel.x + rel.y * rel.y + rel.z * rel.z);
        const double half = std::atan2(s, rel.w);
        Lib3dsQuatKey* key = lib3ds_quat_key_new();
        key->tcb.frame = clip.keyFrames[k];
        if (s > 1e-12) {
            key->axis[0] = static_cast<float>(rel.x / s);
            key->axis[1] = static_cast<float>(rel.y / s);
            key->axis[2] = static_cast<float>(rel.z / s);
            key->angle = static_cast<float>(-2 * half);
        }
        Lib3dsQuat step;
        lib3ds_quat_axis_angle(step, key->axis, key->angle);
        if (k == 0) {
            lib3ds_quat_copy(rebuilt, step);
            first = {rebuilt[0], rebuilt[1], rebuilt[2], rebuilt[3]};
        } else {
            Lib3dsQuat previous; // lib3ds_quat_mul must not write into its own input
            lib3ds_quat_copy(previous, rebuilt);
            lib3ds_quat_mul(rebuilt, step, previous);
        }
        lib3ds_quat_track_insert(&track, key);
    }
    if (count > 1) {
        track.flags = LIB3DS_SMOOTH;
        const Quat last{rebuilt[0], rebuilt[1], rebuilt[2], rebuilt[3]};
        if (dot(last, first) < 0)
            return false;
    }
    return true;
}

void addUnitScale(Lib3dsNode* node) {
    Lib3dsLin3Key* key = lib3ds_lin3_key_new();
    key->tcb.frame = 0;
    key->value[0] = key->value[1] = key->value[2] = 1.0f;
    lib3ds_lin3_track_insert(&node->data.object.scl_track, key);
}

} // namespace

std::vector<int> evenKeyFrames(int frames, int keys) {
    std::vector<int> out;
    for (int k = 0; k <= keys; ++k)
        out.push_back(static_cast<int>(std::lround(static_cast<double>(k) * frames / keys)));
    return out;
}

Lib3dsFile* buildKeyframeFile(const Clip& clip) {
    Lib3dsFile* file = lib3ds_file_new();
    file->frames = clip.frames;
    file->segment_from = 0;
    file->segment_to = clip.frames;
    file->current_frame = 0;
    bool ok = true;
    // Parents come before their children in the node table, so each insert finds its parent.
    for (int i = 0; i < kNodeCount; ++i) {
        const NodeDef& def = nodeDef(i);
        Lib3dsNode* node = lib3ds_node_new_object();
        std::snprintf(node->name, sizeof node->name, "%s", def.name);
        node->node_id = static_cast<Lib3dsWord>(i);
        node->parent_id = def.parent < 0 ? LIB3DS_NO_PARENT : static_cast<Lib3dsWord>(def.parent);
        addPositionKeys(node, clip, i);
        ok = addRotationKeys(node, clip, i) && ok;
        addUnitScale(node);
        lib3ds_lin3_track_setup(&node->data.object.pos_track);
        lib3ds_quat_track_setup(&node->data.object.rot_track);
        lib3ds_lin3_track_setup(&node->data.object.scl_track);
        lib3ds_file_insert_node(file, node);
    }
    if (!ok) {
        lib3ds_file_free(file);
        return nullptr;
    }
    return file;
}

namespace {

template <class Key> Key* reversedKeys(Key* key) {
    Key* reversed = nullptr;
    while (key) {
        Key* next = key->next;
        key->next = reversed;
        reversed = key;
        key = next;
    }
    return reversed;
}

// lib3ds inserts every key it reads into a list sorted by frame, walking the list from its
// first key; keys stored in ascending order make each insert walk past all the keys before
// it. Stored last frame first, every insert stops at the head, and the list lib3ds builds, so
// the motion, is the same. The tracks are written in list order, hence reversing the lists.
void storeKeysLastFirst(Lib3dsNode* node) {
    for (; node; node = node->next) {
        storeKeysLastFirst(node->childs);
        if (node->type != LIB3DS_OBJECT_NODE)
            continue;
        Lib3dsObjectData& object = node->data.object;
        object.pos_track.keyL = reversedKeys(object.pos_track.keyL);
        object.rot_track.keyL = reversedKeys(object.rot_track.keyL);
        object.scl_track.keyL = reversedKeys(object.scl_track.keyL);
    }
}

} // namespace

bool writeKeyframeFile(const Clip& clip, const std::string& path) {
    Lib3dsFile* file = buildKeyframeFile(clip);
    if (!file) {
        std::fprintf(stderr, "assetgen: %s: a rotation does not close its loop\n", path.c_str());
        return false;
    }
    // After the tracks' set-up, which needs them in frame order; the file no longer evaluates.
    storeKeysLastFirst(file->nodes);
    const bool ok = lib3ds_file_save(file, path.c_str()) != 0;
    lib3ds_file_free(file);
    if (!ok)
        std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
    return ok;
}

} // namespace fig
} // namespace gen

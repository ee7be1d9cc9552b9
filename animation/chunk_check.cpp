// The .3DS chunk walker that guards lib3ds.
#include "animation/chunk_check.h"

#include <lib3ds/chunk.h>
#include <lib3ds/file.h>
#include <lib3ds/io.h>
#include <lib3ds/node.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/input_file.h"

// A .3DS file is a tree of chunks, little-endian:
//
//   chunk   = id:u16 length:u32 payload      (length counts the 6 header bytes too)
//   payload = data children                  (data and children both may be empty)
//
// Every chunk must be at least 6 bytes, lie inside its parent (the file for the root) and
// leave no stray bytes at the end of its parent; so each step moves forward and the walk
// ends. The root is M3DMAGIC. The walker descends into the chunks that lib3ds walks,
// skipping their fixed data first:
//
//   M3DMAGIC       -> MDATA, KFDATA
//   MDATA          -> VIEWPORT_LAYOUT(14) DEFAULT_VIEW AMBIENT_LIGHT SOLID_BGND V_GRADIENT(4)
//                     FOG(16) LAYER_FOG(16) DISTANCE_CUE(16) MAT_ENTRY NAMED_OBJECT(name)
//   KFDATA         -> VIEWPORT_LAYOUT(14) DEFAULT_VIEW *_NODE_TAG
//   MAT_ENTRY      -> colour, percentage and map chunks
//   NAMED_OBJECT   -> N_TRI_OBJECT N_DIRECT_LIGHT(12) N_CAMERA(32)
//   N_TRI_OBJECT   -> FACE_ARRAY(count:u16, count x 4 u16)
//   N_DIRECT_LIGHT -> DL_SPOTLIGHT(20)
//
// (n) is the number of data bytes before the children; (name) a NUL-terminated string of
// at most 64 bytes. Other chunks are leaves: lib3ds reads them without looking for children.
// Leaves whose values lib3ds trusts are read too:
//
//   *_TRACK_TAG   = flags:u16 unknown:8 keys:i32 key{keys}, all inside the chunk
//   key           = frame:i32 tcbflags:u16 f32 per tcbflags bit 0..4, value
//   value         = 3 f32 (position, scale, colour) | angle:f32 axis:3 f32 (rotation)
//                 | f32 (fov, roll, hotspot, falloff) | name (morph) | nothing (hide)
//   NODE_ID       = id:u16                    NODE_HDR = name flags1:u16 flags2:u16 parent:u16
//   MSH_MAT_GROUP = name count:u16 face:u16{count}, each face below FACE_ARRAY's count
//   POINT_ARRAY   = count:u16 (3 f32){count}   TEX_VERTS = count:u16 (2 f32){count}
//   POINT_FLAG_ARRAY = count:u16 u16{count}    SMOOTH_GROUP = u32 per face
//
// lib3ds computes every face's normal from its corners as it reads a mesh, so each corner of
// FACE_ARRAY must be below the count of every POINT_ARRAY of the same N_TRI_OBJECT. Across
// the keyframer nodes, ids must be unique and the parent links may not loop.
//
// A looping track (flag bit 0) of position, rotation, scale, colour, fov, roll, hotspot or
// falloff keys is evaluated past its last key as
//   nt = float(fmod(t - float(first), last - first)) + float(first)
// and lib3ds then follows the key whose interval holds nt, with no fallback: when nt lands
// outside [first, last) it dereferences a null pointer. With whole frames t that never
// happens while every key frame and the span lie within 2^24, where a float holds each
// integer exactly; beyond it the rounding can push nt onto `last` (keys at -16,777,217 and
// 0 do so at t = 0), and keys all on one frame give fmod(x, 0), not a number. Such tracks are
// refused. Hide and morph tracks have no repeat arithmetic in lib3ds.
//
// Limits, far above any real rig, bound the time lib3ds needs (it links every node by a
// search of the whole tree) and the depth of its recursion (and the walker's own).

namespace {

constexpr std::size_t kHeader = 6;
constexpr std::size_t kNameBytes = 64; // lib3ds reads names into 64-byte buffers

// Where float frame numbers stop being exact integers.
constexpr std::int64_t kExactFrames = std::int64_t(1) << 24;

enum class Prefix { None, Fixed, Name, FaceArray };

struct Descent {
    std::uint16_t parent;
    std::uint16_t child;
    Prefix prefix;
    std::size_t bytes; // for Prefix::Fixed
};

const Descent kDescents[] = {
    {LIB3DS_M3DMAGIC, LIB3DS_MDATA, Prefix::None, 0},
    {LIB3DS_M3DMAGIC, LIB3DS_KFDATA, Prefix::None, 0},

    {LIB3DS_MDATA, LIB3DS_VIEWPORT_LAYOUT, Prefix::Fixed, 14},
    {LIB3DS_MDATA, LIB3DS_DEFAULT_VIEW, Prefix::None, 0},
    {LIB3DS_MDATA, LIB3DS_AMBIENT_LIGHT, Prefix::None, 0},
    {LIB3DS_MDATA, LIB3DS_SOLID_BGND, Prefix::None, 0},
    {LIB3DS_MDATA, LIB3DS_V_GRADIENT, Prefix::Fixed, 4},
    {LIB3DS_MDATA, LIB3DS_FOG, Prefix::Fixed, 16},
    {LIB3DS_MDATA, LIB3DS_LAYER_FOG, Prefix::Fixed, 16},
    {LIB3DS_MDATA, LIB3DS_DISTANCE_CUE, Prefix::Fixed, 16},
    {LIB3DS_MDATA, LIB3DS_MAT_ENTRY, Prefix::None, 0},
    {LIB3DS_MDATA, LIB3DS_NAMED_OBJECT, Prefix::Name, 0},

    {LIB3DS_KFDATA, LIB3DS_VIEWPORT_LAYOUT, Prefix::Fixed, 14},
    {LIB3DS_KFDATA, LIB3DS_DEFAULT_VIEW, Prefix::None, 0},
    {LIB3DS_KFDATA, LIB3DS_AMBIENT_NODE_TAG, Prefix::None, 0},
    {LIB3DS_KFDATA, LIB3DS_OBJECT_NODE_TAG, Prefix::None, 0},
    {LIB3DS_KFDATA, LIB3DS_CAMERA_NODE_TAG, Prefix::None, 0},
    {LIB3DS_KFDATA, LIB3DS_TARGET_NODE_TAG, Prefix::None, 0},
    {LIB3DS_KFDATA, LIB3DS_LIGHT_NODE_TAG, Prefix::None, 0},
    {LIB3DS_KFDATA, LIB3DS_L_TARGET_NODE_TAG, Prefix::None, 0},
    {LIB3DS_KFDATA, LIB3DS_SPOTLIGHT_NODE_TAG, Prefix::None, 0},

    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_AMBIENT, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_DIFFUSE, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_SPECULAR, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_SHININESS, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_SHIN2PCT, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_TRANSPARENCY, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_XPFALL, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_REFBLUR, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_SELF_ILPCT, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_TEXMAP, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_TEXMASK, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_TEX2MAP, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_TEX2MASK, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_OPACMAP, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_OPACMASK, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_BUMPMAP, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_BUMPMASK, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_SPECMAP, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_SPECMASK, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_SHINMAP, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_SHINMASK, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_SELFIMAP, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_SELFIMASK, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_REFLMAP, Prefix::None, 0},
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_REFLMASK, Prefix::None, 0},

    {LIB3DS_NAMED_OBJECT, LIB3DS_N_TRI_OBJECT, Prefix::None, 0},
    {LIB3DS_NAMED_OBJECT, LIB3DS_N_DIRECT_LIGHT, Prefix::Fixed, 12},
    {LIB3DS_NAMED_OBJECT, LIB3DS_N_CAMERA, Prefix::Fixed, 32},
    {LIB3DS_N_TRI_OBJECT, LIB3DS_FACE_ARRAY, Prefix::FaceArray, 0},
    {LIB3DS_N_DIRECT_LIGHT, LIB3DS_DL_SPOTLIGHT, Prefix::Fixed, 20},
};

// Leaf chunks from which lib3ds reads a NUL-terminated string into a fixed buffer: the
// string must end inside the chunk and within the buffer (`limit` bytes with its NUL), and
// `after` more bytes must follow it in the chunk. Otherwise lib3ds refuses the file, and a
// refusal leaves lib3ds's chunk trace one level deeper for the rest of the process.
struct StringLeaf {
    std::uint16_t parent; // 0: under any chunk
    std::uint16_t id;
    std::size_t offset; // of the string in the data
    std::size_t limit;
    std::size_t after;
};

const StringLeaf kStringLeaves[] = {
    {LIB3DS_KFDATA, LIB3DS_KFHDR, 2, 13, 4}, // revision, file name, frame count
    {LIB3DS_MAT_ENTRY, LIB3DS_MAT_NAME, 0, 64, 0},
    {0, LIB3DS_MAT_MAPNAME, 0, 64, 0}, // in every kind of texture map
    {LIB3DS_MDATA, LIB3DS_BIT_MAP, 0, 64, 0},
};

const StringLeaf* findStringLeaf(std::uint16_t parent, std::uint16_t id) {
    for (const StringLeaf& leaf : kStringLeaves)
        if (leaf.id == id && (leaf.parent == 0 || leaf.parent == parent))
            return &leaf;
    return nullptr;
}

const Descent* findDescent(std::uint16_t parent, std::uint16_t child) {
    for (const Descent& d : kDescents)
        if (d.parent == parent && d.child == child)
            return &d;
    return nullptr;
}

bool isNodeTag(std::uint16_t id) {
    return id >= LIB3DS_AMBIENT_NODE_TAG && id <= LIB3DS_SPOTLIGHT_NODE_TAG;
}

// Bytes of the value after each key's tcb part; -1 for a name, -2 for not a track.
int trackValueBytes(std::uint16_t id) {
    switch (id) {
    case LIB3DS_POS_TRACK_TAG:
    case LIB3DS_SCL_TRACK_TAG:
    case LIB3DS_COL_TRACK_TAG:
        return 12;
    case LIB3DS_ROT_TRACK_TAG:
        return 16;
    case LIB3DS_FOV_TRACK_TAG:
    case LIB3DS_ROLL_TRACK_TAG:
    case LIB3DS_HOT_TRACK_TAG:
    case LIB3DS_FALL_TRACK_TAG:
        return 4;
    case LIB3DS_MORPH_TRACK_TAG:
        return -1;
    case LIB3DS_HIDE_TRACK_TAG:
        return 0;
    default:
        return -2;
    }
}

// The tracks lib3ds evaluates with its repeat arithmetic (see above).
bool hasRepeatArithmetic(std::uint16_t id) {
    return id != LIB3DS_MORPH_TRACK_TAG && id != LIB3DS_HIDE_TRACK_TAG;
}

// What a N_TRI_OBJECT holds, for the corner check once all its chunks are seen.
struct MeshCounts {
    bool hasPoints = false;
    std::size_t fewestPoints = 0; // the smallest POINT_ARRAY count
    std::size_t cornerLimit = 0;  // the largest corner index + 1 of the faces
};

struct KeyframeNode {
    std::size_t offset;
    std::uint16_t id = 0;     // without NODE_ID lib3ds numbers the node by its place in KFDATA
    std::uint16_t parent = 0; // likewise without NODE_HDR
};

class Walker {
  public:
    Walker(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool run() {
        if (size_ < kHeader)
            return fail(0, "the file is shorter than a chunk header");
        const std::uint16_t id = u16(0);
        const std::uint32_t length = u32(2);
        if (id != LIB3DS_M3DMAGIC)
            return fail(0, "the file does not start with a 3DS main chunk");
        if (length < kHeader)
            return fail(0, "chunk length below 6");
        if (length > size_)
            return fail(0, "the main chunk runs past the end of the file (truncated)");
        return walkChildren(id, kHeader, length, 0, 1) && checkNodeTree();
    }

    const std::string& reason() const { return reason_; }

  private:
    bool fail(std::size_t offset, const std::string& what) {
        reason_ = what + " (at byte " + std::to_string(offset) + ")";
        return false;
    }

    std::uint16_t u16(std::size_t at) const {
        return static_cast<std::uint16_t>(data_[at] | (data_[at + 1] << 8));
    }
    std::uint32_t u32(std::size_t at) const {
        return static_cast<std::uint32_t>(data_[at]) |
               (static_cast<std::uint32_t>(data_[at + 1]) << 8) |
               (static_cast<std::uint32_t>(data_[at + 2]) << 16) |
               (static_cast<std::uint32_t>(data_[at + 3]) << 24);
    }

    // Length of the NUL-terminated name at `at` including the NUL, or 0 when no NUL is
    // found within the 64 bytes lib3ds allows or before `end`.
    std::size_t nameBytes(std::size_t at, std::size_t end) const {
        for (std::size_t i = 0; i < kNameBytes && at + i < end; ++i)
            if (data_[at + i] == 0)
                return i + 1;
        return 0;
    }

    // Walks the chunks in [begin, end), the payload area of a chunk `parentId`. `faces` is
    // the face count of the enclosing FACE_ARRAY (for its material groups).
    bool walkChildren(std::uint16_t parentId, std::size_t begin, std::size_t end, std::size_t faces,
                      int depth) {
        if (depth > kMax3dsChunkDepth)
            return fail(begin, "chunks nested deeper than " + std::to_string(kMax3dsChunkDepth));
        std::size_t at = begin;
        while (at < end) {
            if (end - at < kHeader)
                return fail(at, "stray bytes shorter than a chunk header at the end of a chunk");
            const std::uint16_t id = u16(at);
            const std::uint32_t length = u32(at + 2);
            if (length < kHeader)
                return fail(at, "chunk length below 6");
            if (length > end - at)
                return fail(at, "chunk runs past the end of its parent");
            // lib3ds takes a chunk id of 0 for the end of its parent's children and skips the
            // rest unread (a keyframer node would lose its header and become its own parent).
            if (id == 0)
                return fail(at, "chunk id 0");
            if (!checkChunk(parentId, id, at, at + length, faces, depth))
                return false;
            at += length;
        }
        return true;
    }

    bool checkChunk(std::uint16_t parentId, std::uint16_t id, std::size_t at, std::size_t end,
                    std::size_t faces, int depth) {
        const std::size_t data = at + kHeader;
        if (parentId == LIB3DS_M3DMAGIC && id == LIB3DS_KFDATA)
            keyframerStart_ = nodes_.size();
        if (parentId == LIB3DS_KFDATA && isNodeTag(id)) {
            if (nodes_.size() == kMax3dsNodes)
                return fail(at, "more than " + std::to_string(kMax3dsNodes) + " keyframer nodes");
            KeyframeNode node{at};
            node.id = static_cast<std::uint16_t>(nodes_.size() - keyframerStart_);
            nodes_.push_back(node);
        }
        if (isNodeTag(parentId))
            return checkNodeChild(id, at, end);
        if (parentId == LIB3DS_FACE_ARRAY && id == LIB3DS_MSH_MAT_GROUP)
            return checkMaterialGroup(at, end, faces);
        if (parentId == LIB3DS_FACE_ARRAY && id == LIB3DS_SMOOTH_GROUP && end - data < 4 * faces)
            return fail(at, "smoothing groups for fewer faces than the face array holds");
        if (parentId == LIB3DS_N_TRI_OBJECT && !checkMeshArray(id, at, end))
            return false;

        if (const StringLeaf* leaf = findStringLeaf(parentId, id)) {
            const std::size_t from = data + leaf->offset;
            std::size_t string = 0;
            for (std::size_t i = 0; i < leaf->limit && from + i < end && string == 0; ++i)
                if (data_[from + i] == 0)
                    string = i + 1;
            if (from > end || string == 0 || end - from - string < leaf->after)
                return fail(at, "string without a terminating NUL within " +
                                    std::to_string(leaf->limit) + " bytes, or cut short");
            return true;
        }
        const Descent* descent = findDescent(parentId, id);
        if (!descent)
            return true;
        std::size_t prefix = 0;
        std::size_t faceCount = 0;
        switch (descent->prefix) {
        case Prefix::None:
            break;
        case Prefix::Fixed:
            prefix = descent->bytes;
            break;
        case Prefix::Name:
            prefix = nameBytes(data, end);
            if (prefix == 0)
                return fail(at, "object name without a terminating NUL within 64 bytes");
            break;
        case Prefix::FaceArray:
            if (end - data < 2)
                return fail(at, "face array without a face count");
            faceCount = u16(data);
            prefix = 2 + 8 * faceCount;
            break;
        }
        if (prefix > end - data)
            return fail(at, "chunk data runs past the end of the chunk");
        if (descent->prefix == Prefix::FaceArray) {
            for (std::size_t f = 0; f < faceCount; ++f)
                for (std::size_t k = 0; k < 3; ++k) {
                    const std::size_t corner = u16(data + 2 + 8 * f + 2 * k);
                    if (corner + 1 > mesh_.cornerLimit)
                        mesh_.cornerLimit = corner + 1;
                }
        }
        if (id == LIB3DS_N_TRI_OBJECT)
            mesh_ = MeshCounts{};
        if (!walkChildren(id, data + prefix, end, faceCount, depth + 1))
            return false;
        if (id == LIB3DS_N_TRI_OBJECT && mesh_.cornerLimit > 0 &&
            (!mesh_.hasPoints || mesh_.cornerLimit > mesh_.fewestPoints))
            return fail(at, "a face corner names point " + std::to_string(mesh_.cornerLimit - 1) +
                                " of a mesh with " +
                                std::to_string(mesh_.hasPoints ? mesh_.fewestPoints : 0) +
                                " points");
        return true;
    }

    // The counted arrays of a mesh must fit their chunks; the point count bounds the faces.
    bool checkMeshArray(std::uint16_t id, std::size_t at, std::size_t end) {
        std::size_t itemBytes = 0;
        if (id == LIB3DS_POINT_ARRAY)
            itemBytes = 12;
        else if (id == LIB3DS_TEX_VERTS)
            itemBytes = 8;
        else if (id == LIB3DS_POINT_FLAG_ARRAY)
            itemBytes = 2;
        else
            return true;
        const std::size_t data = at + kHeader;
        if (end - data < 2)
            return fail(at, "mesh array without a count");
        const std::size_t count = u16(data);
        if (end - data - 2 < count * itemBytes)
            return fail(at, "mesh array holds fewer items than its count");
        if (id == LIB3DS_POINT_ARRAY) {
            mesh_.fewestPoints =
                mesh_.hasPoints && mesh_.fewestPoints < count ? mesh_.fewestPoints : count;
            mesh_.hasPoints = true;
        }
        return true;
    }

    // The chunks of a keyframer node: its id, header and tracks.
    bool checkNodeChild(std::uint16_t id, std::size_t at, std::size_t end) {
        const std::size_t data = at + kHeader;
        KeyframeNode& node = nodes_.back();
        if (id == LIB3DS_NODE_ID) {
            if (end - data < 2)
                return fail(at, "node id chunk too short");
            node.id = u16(data);
            return true;
        }
        if (id == LIB3DS_NODE_HDR) {
            const std::size_t name = nameBytes(data, end);
            if (name == 0)
                return fail(at, "node name without a terminating NUL within 64 bytes");
            if (end - data < name + 6)
                return fail(at, "node header too short");
            node.parent = u16(data + name + 4);
            return true;
        }
        if (id == LIB3DS_INSTANCE_NAME) {
            if (nameBytes(data, end) == 0)
                return fail(at, "instance name without a terminating NUL within 64 bytes");
            return true;
        }
        // The fixed data lib3ds reads from a node's other plain chunks.
        const std::size_t fixedBytes = id == LIB3DS_PIVOT          ? 12
                                       : id == LIB3DS_BOUNDBOX     ? 24
                                       : id == LIB3DS_MORPH_SMOOTH ? 4
                                                                   : 0;
        if (end - data < fixedBytes)
            return fail(at, "node data chunk too short");
        const int valueBytes = trackValueBytes(id);
        if (valueBytes == -2)
            return true;
        return checkTrack(at, end, valueBytes, hasRepeatArithmetic(id));
    }

    bool checkTrack(std::size_t at, std::size_t end, int valueBytes, bool repeatArithmetic) {
        std::size_t p = at + kHeader;
        if (end - p < 14)
            return fail(at, "track header too short");
        const bool repeats = (u16(p) & LIB3DS_REPEAT) != 0;
        const std::int32_t keys = static_cast<std::int32_t>(u32(p + 10));
        if (keys > kMax3dsTrackKeys)
            return fail(at, "a track of " + std::to_string(keys) + " keys (at most " +
                                std::to_string(kMax3dsTrackKeys) + ")");
        if (keys > 1)
            keyPairs_ += std::int64_t(keys) * (keys - 1) / 2;
        if (keyPairs_ > kMax3dsKeyPairs)
            return fail(at, "tracks of more than " + std::to_string(kMax3dsKeyPairs) +
                                " key pairs in all");
        std::int64_t first = 0, last = 0;
        p += 14;
        for (std::int32_t k = 0; k < keys; ++k) {
            if (end - p < 6)
                return fail(at, "track holds fewer keys than its count (" + std::to_string(k) +
                                    " of " + std::to_string(keys) + ")");
            const std::int64_t frame = static_cast<std::int32_t>(u32(p));
            first = k == 0 || frame < first ? frame : first;
            last = k == 0 || frame > last ? frame : last;
            const std::uint16_t tcbFlags = u16(p + 4);
            std::size_t bytes = 6;
            for (int bit = 0; bit < 5; ++bit)
                if (tcbFlags & (1u << bit))
                    bytes += 4;
            if (valueBytes >= 0) {
                bytes += static_cast<std::size_t>(valueBytes);
            } else {
                if (end - p < bytes)
                    return fail(at, "track key runs past the end of the track");
                const std::size_t name = nameBytes(p + bytes, end);
                if (name == 0)
                    return fail(at, "morph key name without a terminating NUL");
                bytes += name;
            }
            if (end - p < bytes)
                return fail(at, "track holds fewer keys than its count (" + std::to_string(k) +
                                    " of " + std::to_string(keys) + ")");
            p += bytes;
        }
        if (repeatArithmetic && repeats && keys > 1 &&
            (first < -kExactFrames || last > kExactFrames || last - first < 1 ||
             last - first > kExactFrames))
            return fail(at, "a looping track with keys from frame " + std::to_string(first) +
                                " to " + std::to_string(last) +
                                " (its frames must differ and lie within +-16777216)");
        return true;
    }

    bool checkMaterialGroup(std::size_t at, std::size_t end, std::size_t faces) {
        std::size_t p = at + kHeader;
        const std::size_t name = nameBytes(p, end);
        if (name == 0)
            return fail(at, "material group name without a terminating NUL within 64 bytes");
        p += name;
        if (end - p < 2)
            return fail(at, "material group without a face count");
        const std::size_t count = u16(p);
        p += 2;
        if (end - p < 2 * count)
            return fail(at, "material group holds fewer faces than its count");
        for (std::size_t i = 0; i < count; ++i)
            if (u16(p + 2 * i) >= faces)
                return fail(at, "material group names face " + std::to_string(u16(p + 2 * i)) +
                                    " of " + std::to_string(faces));
        return true;
    }

    // lib3ds links every node to the node whose id its parent field names; a node that is,
    // through its parents, its own ancestor sends lib3ds into endless recursion, and a deep
    // chain into recursion as deep. Each node's depth is found once, walking up only to the
    // first node whose depth is known, so the whole tree costs time linear in its nodes.
    bool checkNodeTree() {
        constexpr int kUnknown = -1, kOnPath = -2;
        std::vector<int> byId(std::size_t(LIB3DS_NO_PARENT) + 1, -1); // id -> index in nodes_
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            const KeyframeNode& node = nodes_[i];
            if (node.id == LIB3DS_NO_PARENT)
                continue;
            if (byId[node.id] >= 0)
                return fail(node.offset,
                            "two keyframer nodes share the id " + std::to_string(node.id));
            byId[node.id] = static_cast<int>(i);
        }
        std::vector<int> depth(nodes_.size(), kUnknown);
        std::vector<std::size_t> path;
        for (std::size_t start = 0; start < nodes_.size(); ++start) {
            // Up from `start` to a root or a node of known depth, marking the way.
            std::size_t at = start;
            bool atRoot = false;
            while (depth[at] == kUnknown) {
                depth[at] = kOnPath;
                path.push_back(at);
                const std::uint16_t parent = nodes_[at].parent;
                if (parent == LIB3DS_NO_PARENT || byId[parent] < 0) {
                    atRoot = true;
                    break;
                }
                at = static_cast<std::size_t>(byId[parent]);
            }
            if (!atRoot && depth[at] == kOnPath)
                return fail(nodes_[at].offset, "keyframer node " + std::to_string(nodes_[at].id) +
                                                   " is its own ancestor");
            int above = atRoot ? 0 : depth[at]; // the depth of the node above the path
            // Down the path again, numbering the depths.
            while (!path.empty()) {
                depth[path.back()] = ++above;
                if (above > kMax3dsNodeDepth)
                    return fail(nodes_[path.back()].offset, "keyframer nodes nested deeper than " +
                                                                std::to_string(kMax3dsNodeDepth));
                path.pop_back();
            }
        }
        return true;
    }

    const std::uint8_t* data_;
    std::size_t size_;
    std::string reason_;
    std::vector<KeyframeNode> nodes_;
    std::size_t keyframerStart_ = 0; // the first of nodes_ inside the current KFDATA
    std::int64_t keyPairs_ = 0;      // keys x (keys - 1) / 2 over the tracks so far
    MeshCounts mesh_;
};

} // namespace

bool check3dsBytes(const std::uint8_t* data, std::size_t size, std::string* reason) {
    Walker walker(data, size);
    const bool ok = walker.run();
    if (!ok && reason)
        *reason = walker.reason();
    return ok;
}

namespace {

// The bytes of a .3DS file read once through the regular-file gate.
bool readBytes(const std::string& path, std::string* bytes, std::string* reason) {
    std::string why;
    std::FILE* file = platform::openInputFile(path.c_str(), platform::kMax3dsBytes, &why);
    bool ok = file != nullptr;
    if (file) {
        ok = platform::readInputFile(file, platform::kMax3dsBytes, bytes, &why);
        std::fclose(file);
    }
    if (!ok && reason)
        *reason = "cannot read the file: " + why;
    return ok;
}

// lib3ds reading from memory, with the semantics of its own stdio callbacks (seek returns 0
// on success, error reports a failed read).
struct MemoryStream {
    const std::string* bytes;
    std::size_t at;
    bool failed;
};

Lib3dsBool memoryError(void* self) {
    return static_cast<MemoryStream*>(self)->failed ? LIB3DS_TRUE : LIB3DS_FALSE;
}

long memorySeek(void* self, long offset, Lib3dsIoSeek origin) {
    auto* s = static_cast<MemoryStream*>(self);
    const long base = origin == LIB3DS_SEEK_SET   ? 0
                      : origin == LIB3DS_SEEK_CUR ? static_cast<long>(s->at)
                                                  : static_cast<long>(s->bytes->size());
    if (offset < -base || base + offset > static_cast<long>(s->bytes->size()))
        return -1;
    s->at = static_cast<std::size_t>(base + offset);
    return 0;
}

long memoryTell(void* self) {
    return static_cast<long>(static_cast<MemoryStream*>(self)->at);
}

std::size_t memoryRead(void* self, void* buffer, std::size_t size) {
    auto* s = static_cast<MemoryStream*>(self);
    const std::size_t n = std::min(size, s->bytes->size() - s->at);
    std::memcpy(buffer, s->bytes->data() + s->at, n);
    s->at += n;
    if (n < size)
        s->failed = true;
    return n;
}

std::size_t memoryWrite(void*, const void*, std::size_t) {
    return 0;
}

} // namespace

bool check3dsFile(const std::string& path, std::string* reason) {
    std::string bytes;
    return readBytes(path, &bytes, reason) &&
           check3dsBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), reason);
}

Lib3dsFile* load3dsFile(const std::string& path, std::string* reason) {
    std::string bytes;
    if (!readBytes(path, &bytes, reason) ||
        !check3dsBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), reason))
        return nullptr;
    MemoryStream stream{&bytes, 0, false};
    Lib3dsIo* io =
        lib3ds_io_new(&stream, memoryError, memorySeek, memoryTell, memoryRead, memoryWrite);
    if (!io) {
        if (reason)
            *reason = "out of memory";
        return nullptr;
    }
    Lib3dsFile* file = lib3ds_file_new();
    if (file && !lib3ds_file_read(file, io)) {
        lib3ds_file_free(file);
        file = nullptr;
    }
    lib3ds_io_free(io);
    if (!file && reason)
        *reason = "lib3ds refused the file";
    return file;
}

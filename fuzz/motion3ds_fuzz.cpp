// Fuzz target: the .3DS chunk check and, for files it passes, what Motion does with lib3ds:
// load, pose at several frames (the last of the file's frames too, where looping tracks wrap),
// find the "Head" node and measure every bone. A custom mutator also deepens and widens node
// trees and makes tracks loop, and fuzz/3ds.dict holds track flags and extreme frame numbers,
// so the fuzzer reaches the limits of the check. lib3ds only ever
// sees files the check passed, so a hang, crash or sanitizer report here is a hole in the
// check (or a fault of lib3ds on a file the check lets through). So is a file that passes the
// check and that lib3ds then refuses: each refusal leaves lib3ds's internal chunk trace one
// level deeper, and enough of them in one process overflow it.
#include <lib3ds/file.h>
#include <lib3ds/node.h>
#include <lib3ds/vector.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "animation/chunk_check.h"
#include "animation/motion.h"
#include "fuzz_support.h"
#include "platform/fatal.h"

namespace {

volatile float sink = 0.0f;

// The same walk as Motion::buildBones, without GL: children first, then the longest distance
// from the node to a direct child in the current pose.
void measure(Lib3dsNode* node) {
    for (Lib3dsNode* child = node->childs; child; child = child->next)
        measure(child);
    float length = 0.0f;
    for (Lib3dsNode* child = node->childs; child; child = child->next) {
        Lib3dsVector offset;
        lib3ds_vector_sub(offset, child->matrix[3], node->matrix[3]);
        const float distance = lib3ds_vector_length(offset);
        if (distance > length)
            length = distance;
    }
    sink = sink + length + node->data.object.pivot[0] + node->name[0];
}

// Little-endian fields of a .3DS file in a buffer of `size` bytes.
std::uint16_t get16(const std::uint8_t* b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::uint32_t get32(const std::uint8_t* b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
void set16(std::uint8_t* b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void set32(std::uint8_t* b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The first chunk `id` among the children in [begin, end), or `end`.
std::size_t findChild(const std::uint8_t* b, std::size_t begin, std::size_t end, std::uint16_t id) {
    for (std::size_t at = begin; at + 6 <= end;) {
        const std::uint32_t length = get32(b, at + 2);
        if (length < 6 || length > end - at)
            return end;
        if (get16(b, at) == id)
            return at;
        at += length;
    }
    return end;
}

// Structural mutations the byte mutator would take ages to find. `kind` picks one:
//  0: the keyframer's last node copied `copies` times, each copy a child of the one before
//     (a deeper tree, and more nodes);
//  1: every node made the child of the node before it (the whole tree one chain);
//  2: every track of the first node made to loop, its first key moved to `frame`.
// Returns the new size, or 0 when the input has no keyframer node to work on.
std::size_t mutateTree(std::uint8_t* b, std::size_t size, std::size_t maxSize, unsigned kind,
                       unsigned copies, std::uint32_t frame) {
    if (size < 6 || get16(b, 0) != 0x4D4D || get32(b, 2) != size)
        return 0;
    const std::size_t kf = findChild(b, 6, size, 0xB000);
    if (kf == size || get32(b, kf + 2) != size - kf)
        return 0; // the keyframer is not the last chunk: growing it would need a move
    std::size_t nodes[512];
    std::size_t count = 0;
    for (std::size_t at = kf + 6; at + 6 <= size && count < 512; at += get32(b, at + 2)) {
        if (get32(b, at + 2) < 6 || get32(b, at + 2) > size - at)
            return 0;
        if (get16(b, at) == 0xB002)
            nodes[count++] = at;
    }
    if (count == 0)
        return 0;
    // The parent field of a node's header: after its name and two flag words.
    auto parentField = [&](std::size_t node) -> std::size_t {
        const std::size_t end = node + get32(b, node + 2);
        const std::size_t hdr = findChild(b, node + 6, end, 0xB010);
        if (hdr == end)
            return 0;
        for (std::size_t i = hdr + 6; i < hdr + get32(b, hdr + 2); ++i)
            if (b[i] == 0)
                return i + 5 + 2 <= hdr + get32(b, hdr + 2) ? i + 5 : 0;
        return 0;
    };
    auto idField = [&](std::size_t node) -> std::size_t {
        const std::size_t end = node + get32(b, node + 2);
        const std::size_t id = findChild(b, node + 6, end, 0xB030);
        return id != end && get32(b, id + 2) >= 8 ? id + 6 : 0;
    };
    switch (kind % 3) {
    case 0: {
        const std::size_t last = nodes[count - 1];
        const std::size_t length = get32(b, last + 2);
        const std::size_t idAt = idField(last), parentAt = parentField(last);
        if (idAt == 0 || parentAt == 0)
            return 0;
        std::uint16_t id = get16(b, idAt);
        for (unsigned c = 0; c < copies && size + length <= maxSize; ++c) {
            std::memmove(b + size, b + last, length);
            set16(b, size + (parentAt - last), id);
            id = static_cast<std::uint16_t>(id + 1);
            set16(b, size + (idAt - last), id);
            size += length;
        }
        break;
    }
    case 1:
        for (std::size_t i = 1; i < count; ++i) {
            const std::size_t idAt = idField(nodes[i - 1]), parentAt = parentField(nodes[i]);
            if (idAt != 0 && parentAt != 0)
                set16(b, parentAt, get16(b, idAt));
        }
        break;
    case 2: {
        const std::size_t node = nodes[0], end = node + get32(b, node + 2);
        for (std::size_t at = node + 6; at + 6 <= end; at += get32(b, at + 2)) {
            const std::uint16_t id = get16(b, at);
            if (id >= 0xB020 && id <= 0xB029 && get32(b, at + 2) >= 6 + 14 + 4) {
                set16(b, at + 6, get16(b, at + 6) | 1);
                set32(b, at + 6 + 14, frame);
            }
        }
        break;
    }
    }
    set32(b, kf + 2, static_cast<std::uint32_t>(size - kf));
    set32(b, 2, static_cast<std::uint32_t>(size));
    return size;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::catchFatalExits();
    return 0;
}

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
    // One mutation in four is structural, the rest libFuzzer's own.
    if (seed % 4 == 0) {
        static const std::uint32_t kFrames[] = {0xFEFFFFFFu /* -16777217 */,
                                                0xFA0A1EFFu /* -100000001 */,
                                                0x01000001u,
                                                0x80000000u,
                                                0x7FFFFFFFu,
                                                0xFFFFFFFDu};
        const std::size_t grown = mutateTree(data, size, maxSize, seed / 4, 1 + (seed >> 8) % 80,
                                             kFrames[(seed >> 16) % 6]);
        if (grown != 0)
            return grown;
    }
    return LLVMFuzzerMutate(data, size, maxSize);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string reason;
    const bool safe = check3dsBytes(data, size, &reason);
    if (!safe && reason.empty())
        fuzz::broken("a refused file without a reason");
    fuzz::InputFile input(data, size);
    if (input.path().empty())
        return 0;
    if (check3dsFile(input.path(), nullptr) != safe)
        fuzz::broken("the file check and the byte check disagree");
    if (!safe)
        return 0;

    fuzz::refuseSpecialFiles(
        [](const std::string& p) {
            if (Lib3dsFile* special = load3dsFile(p, nullptr)) {
                lib3ds_file_free(special);
                return;
            }
            platform::fatalExit(1); // refused: the way Motion::load ends
        },
        "the .3DS loader");
    Lib3dsFile* file = load3dsFile(input.path(), &reason);
    if (!file)
        fuzz::broken("lib3ds refused a file the check passed");
    lib3ds_file_eval(file, 0.0f);
    for (Lib3dsNode* node = file->nodes; node; node = node->next)
        measure(node);
    for (const double seconds : {0.0, 0.5, 3.3, 1000.25}) {
        lib3ds_file_eval(file, Motion::frameAt(seconds, 0.0f, 30, file->frames));
        for (Lib3dsNode* node = file->nodes; node; node = node->next)
            measure(node);
    }
    // The last frame the demo can show, and whole frames far beyond the keys (the demo's
    // clock reaches any frame below file->frames).
    for (const float frame : {static_cast<float>(file->frames - 1), 16777216.0f, 1e8f, 2e9f})
        if (frame >= 0.0f)
            lib3ds_file_eval(file, frame);
    if (Lib3dsNode* head = lib3ds_file_node_by_name(file, "Head", LIB3DS_OBJECT_NODE))
        sink = sink + head->matrix[3][0];
    lib3ds_file_free(file);
    return 0;
}

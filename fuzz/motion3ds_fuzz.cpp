// Fuzz target: the .3DS chunk check and, for files it passes, what Motion does with lib3ds:
// load, pose at several frames, find the "Head" node and measure every bone. lib3ds only ever
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
#include <string>

#include "animation/chunk_check.h"
#include "animation/motion.h"
#include "fuzz_support.h"

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

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::catchFatalExits();
    return 0;
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

    Lib3dsFile* file = lib3ds_file_load(input.path().c_str());
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
    if (Lib3dsNode* head = lib3ds_file_node_by_name(file, "Head", LIB3DS_OBJECT_NODE))
        sink = sink + head->matrix[3][0];
    lib3ds_file_free(file);
    return 0;
}

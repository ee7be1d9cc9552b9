// Small .3DS files made byte by byte.
#include "support/hand_made_3ds.h"

#include <cstdint>
#include <vector>

namespace {

// `bytes` little-endian bytes of `value`; past its four, zeros.
void put(std::string& b, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(i < 4 ? static_cast<char>(value >> (8 * i)) : '\0');
}

std::string chunk(std::uint16_t id, const std::string& payload) {
    std::string b;
    put(b, id, 2);
    put(b, static_cast<std::uint32_t>(payload.size() + 6), 4);
    return b + payload;
}

std::string node(int id, int parent, const std::string& tracks) {
    std::string nodeId, header("n", 2); // the name "n" and its NUL
    put(nodeId, static_cast<std::uint32_t>(id), 2);
    put(header, 0, 4); // flags
    put(header, static_cast<std::uint32_t>(parent), 2);
    return chunk(0xB002, chunk(0xB030, nodeId) + chunk(0xB010, header) + tracks);
}

std::string file(const std::string& nodes) {
    return chunk(0x4D4D, chunk(0xB000, nodes));
}

} // namespace

std::string nodeTree3ds(int count, bool chain) {
    std::string nodes;
    for (int i = 0; i < count; ++i)
        nodes += node(i, i == 0 ? 0xFFFF : (chain ? i - 1 : 0), "");
    return file(nodes);
}

namespace {

std::string positionTrack(int flags, const std::vector<int>& frames) {
    std::string track;
    put(track, static_cast<std::uint32_t>(flags), 2);
    put(track, 0, 4);
    put(track, 0, 4);
    put(track, static_cast<std::uint32_t>(frames.size()), 4);
    for (int frame : frames) {
        put(track, static_cast<std::uint32_t>(frame), 4);
        put(track, 0, 2);  // no tension, continuity, bias or ease
        put(track, 0, 12); // x y z
    }
    return chunk(0xB020, track);
}

} // namespace

std::string keyedNodes3ds(int count, int keys) {
    std::vector<int> frames(static_cast<std::size_t>(keys));
    for (int k = 0; k < keys; ++k)
        frames[static_cast<std::size_t>(k)] = k;
    const std::string track = positionTrack(0, frames);
    std::string nodes;
    for (int i = 0; i < count; ++i)
        nodes += node(i, 0xFFFF, track);
    return file(nodes);
}

std::string loopingTrack3ds(int first, int last) {
    return file(node(0, 0xFFFF, positionTrack(1, {first, last}))); // flags: repeat
}

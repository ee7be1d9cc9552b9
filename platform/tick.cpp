// Monotonic millisecond tick with a switch to virtual time.
#include "platform/tick.h"

#include <ctime>

namespace platform {
namespace {

bool virtualEnabled = false;
std::uint32_t virtualNow = 0;

std::uint64_t monotonicMilliseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

} // namespace

std::uint32_t tickMilliseconds() {
    if (virtualEnabled)
        return virtualNow;
    // Counted from the first call (plus one, so a real tick is never 0), not from boot:
    // a machine that has been up for 49 days must not wrap in the middle of a run.
    static const std::uint64_t base = monotonicMilliseconds();
    return static_cast<std::uint32_t>(monotonicMilliseconds() - base + 1);
}

void useVirtualTick(bool enabled) { virtualEnabled = enabled; }
void setVirtualTick(std::uint32_t milliseconds) { virtualNow = milliseconds; }
void advanceVirtualTick(std::uint32_t milliseconds) { virtualNow += milliseconds; }
bool virtualTickEnabled() { return virtualEnabled; }

} // namespace platform

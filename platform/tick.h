// The system millisecond tick: the one time source of every clock in the demo.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds from a monotonic source, as an unsigned 32-bit count. The count starts near 0
// when the process first asks for it, so it cannot wrap during any realistic run (49.7 days).
std::uint32_t tickMilliseconds();

// Virtual time for tools and tests: while enabled, tickMilliseconds() returns exactly the value
// last set here and the real clock is not read. The capture tool draws frame k at k/fps seconds
// this way, however long the frame takes to render.
void useVirtualTick(bool enabled);
void setVirtualTick(std::uint32_t milliseconds);
void advanceVirtualTick(std::uint32_t milliseconds);
bool virtualTickEnabled();

} // namespace platform

// The single exit point for fatal load errors and the quit key.
#pragma once

namespace platform {

// A handler that takes over from exit(): a fuzzing build installs one that throws or jumps
// back to the fuzzer. A handler must not return; if it does, the process exits anyway.
using FatalHandler = void (*)(int status);

// Ends the process with `status` through exit(), so static objects are destroyed, unless a
// handler is installed. Every fatal path of the demo goes through here.
[[noreturn]] void fatalExit(int status);

// Installs `handler` (nullptr restores plain exit) and returns the previous one.
FatalHandler setFatalHandler(FatalHandler handler);

} // namespace platform

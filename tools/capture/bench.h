// --bench: frame times per timeline segment, triangles, an empty frame, start-up and memory.
#pragma once

#include "options.h"

namespace capture {

// Renders options.from..options.to at options.fps and options.width x height and prints the
// report (text, or JSON with --json) on standard output. Returns the exit status.
int runBench(const Options& options);

} // namespace capture

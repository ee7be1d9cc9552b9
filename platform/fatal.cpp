// Fatal exit through one seam.
#include "platform/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {
FatalHandler currentHandler = nullptr;
}

void fatalExit(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    if (currentHandler)
        currentHandler(status);
    std::exit(status);
}

FatalHandler setFatalHandler(FatalHandler handler) {
    FatalHandler previous = currentHandler;
    currentHandler = handler;
    return previous;
}

} // namespace platform

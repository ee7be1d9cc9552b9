// Fuzz target support: the throwing fatal handler and memfd-backed input files.
#include "fuzz_support.h"

#include <dirent.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/fatal.h"

namespace fuzz {
namespace {

void throwFatal(int status) {
    throw FatalExit{status};
}

} // namespace

void catchFatalExits() {
    platform::setFatalHandler(throwFatal);
    // Every rejected input prints its one line; send those nowhere. The stdio stream is
    // swapped rather than reopened so descriptor 2 stays open: libFuzzer took its own copy of
    // the stream at start-up and the sanitizers write their reports to the descriptor.
    std::cout.setstate(std::ios::badbit);
    std::cerr.setstate(std::ios::badbit);
    if (std::FILE* sink = std::fopen("/dev/null", "w"))
        stderr = sink;
}

int openDescriptors() {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return -1;
    int count = 0;
    while (readdir(dir))
        ++count;
    closedir(dir);
    return count;
}

InputFile::InputFile(const std::uint8_t* data, std::size_t size)
    : descriptorsBefore_(openDescriptors()) {
    fd_ = memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd_ < 0)
        return;
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = write(fd_, data + written, size - written);
        if (n <= 0)
            return;
        written += static_cast<std::size_t>(n);
    }
    path_ = "/proc/self/fd/" + std::to_string(fd_);
}

InputFile::~InputFile() {
    if (fd_ >= 0)
        close(fd_);
    if (openDescriptors() > descriptorsBefore_)
        broken("the loader left a file descriptor open");
}

void broken(const std::string& what) {
    dprintf(2, "fuzz: broken invariant: %s\n", what.c_str());
    std::abort();
}

} // namespace fuzz

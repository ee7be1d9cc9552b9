// Fuzz target support: the throwing fatal handler and memfd-backed input files.
#include "fuzz_support.h"

#include <dirent.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>

#include "platform/fatal.h"

namespace fuzz {
namespace {

void throwFatal(int status) {
    throw FatalExit{status};
}

std::stringbuf cerrMessages;
std::FILE* stderrMessages = nullptr;

} // namespace

void catchFatalExits() {
    platform::setFatalHandler(throwFatal);
    // Every rejected input prints its one line; catch those to check them. The stdio stream
    // is swapped rather than reopened so descriptor 2 stays open: libFuzzer took its own copy
    // of the stream at start-up and the sanitizers write their reports to the descriptor.
    std::cout.setstate(std::ios::badbit);
    std::cerr.rdbuf(&cerrMessages);
    const int fd = memfd_create("fuzz-messages", MFD_CLOEXEC);
    stderrMessages = fd >= 0 ? fdopen(fd, "w+") : nullptr;
    if (stderrMessages)
        stderr = stderrMessages;
}

std::string takeMessages() {
    std::string said = cerrMessages.str();
    cerrMessages.str(std::string());
    if (stderrMessages) {
        std::fflush(stderrMessages);
        const long end = std::ftell(stderrMessages);
        std::rewind(stderrMessages);
        std::string printed(static_cast<std::size_t>(end > 0 ? end : 0), '\0');
        if (!printed.empty() && std::fread(&printed[0], 1, printed.size(), stderrMessages) > 0)
            said += printed;
        std::rewind(stderrMessages);
        if (ftruncate(fileno(stderrMessages), 0) != 0)
            broken("cannot empty the message file");
    }
    return said;
}

const std::string* specialFiles(std::size_t* count) {
    static std::string paths[3];
    static bool made = false;
    if (!made) {
        made = true;
        char dir[] = "/tmp/fuzz-special-XXXXXX";
        if (!mkdtemp(dir))
            broken("cannot make a folder for the special files");
        paths[0] = std::string(dir) + "/zero";
        paths[1] = std::string(dir) + "/fifo";
        paths[2] = std::string(dir) + "/directory";
        if (symlink("/dev/zero", paths[0].c_str()) != 0 || mkfifo(paths[1].c_str(), 0600) != 0 ||
            mkdir(paths[2].c_str(), 0700) != 0)
            broken("cannot make the special files");
    }
    *count = 3;
    return paths;
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

// Shared pieces of the fuzz targets: inputs as files the loaders can open by path, and fatal
// load errors turned into an exception that hands control back to the fuzzer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzz {

// Thrown by the fatal handler instead of ending the process.
struct FatalExit {
    int status;
};

// Installs the handler that throws FatalExit from platform::fatalExit, and catches the
// loaders' one-line messages (every rejected input prints one) instead of showing them.
// Call once, from LLVMFuzzerInitialize.
void catchFatalExits();

// What the loaders printed on standard error since the last call, then forgotten.
std::string takeMessages();

// Paths of files that are not regular files, made once: a symbolic link to /dev/zero, a
// FIFO that no one writes to, a directory. Every loader must refuse each at once.
const std::string* specialFiles(std::size_t* count);

// An in-memory file (memfd) holding the bytes of the current input, reachable by a path, so
// that loaders which open a path (and some open it twice) read exactly those bytes. When it
// goes away it also checks that the loader closed every descriptor it opened, refused input
// or not: a loader left by the fatal seam must not keep its file open (LeakSanitizer cannot
// see that, since stdio keeps every open FILE on a list).
class InputFile {
  public:
    InputFile(const std::uint8_t* data, std::size_t size);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // "/proc/self/fd/N"; empty when the file could not be made.
    const std::string& path() const { return path_; }

  private:
    int fd_ = -1;
    int descriptorsBefore_ = 0;
    std::string path_;
};

// The number of open descriptors of this process.
int openDescriptors();

// Stops the fuzzer with a crash report: an invariant the loader promises does not hold.
[[noreturn]] void broken(const std::string& what);

// Runs `load`. False when the loader refused its input through the fatal seam, which must be
// with status 1 (anything else stops the fuzzer, naming `loader`).
// What it printed must be at most one line, of printable characters only: a file's bytes
// never reach the terminal raw.
template <class Load> bool accepted(Load&& load, const char* loader) {
    bool refused = false;
    try {
        load();
    } catch (const FatalExit& exit) {
        if (exit.status != 1)
            broken(std::string(loader) + " failed with a status other than 1");
        refused = true;
    }
    const std::string said = takeMessages();
    for (std::size_t i = 0; i < said.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(said[i]);
        if (c == '\n' ? i + 1 != said.size() : (c < 0x20 || c > 0x7E))
            broken(std::string(loader) + " printed more than one line, or an unprintable byte");
    }
    return !refused;
}

// Runs `load` on each special file: each must be refused (once per process is enough, the
// files never change).
template <class Load> void refuseSpecialFiles(Load&& load, const char* loader) {
    static bool done = false;
    if (done)
        return;
    done = true;
    std::size_t count = 0;
    const std::string* paths = specialFiles(&count);
    for (std::size_t i = 0; i < count; ++i)
        if (accepted([&] { load(paths[i]); }, loader))
            broken(std::string(loader) + " accepted " + paths[i]);
}

} // namespace fuzz

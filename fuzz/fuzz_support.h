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

// Installs the handler that throws FatalExit from platform::fatalExit, and silences the
// loaders' one-line messages (every rejected input prints one). Call once, from
// LLVMFuzzerInitialize.
void catchFatalExits();

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
template <class Load> bool accepted(Load&& load, const char* loader) {
    try {
        load();
    } catch (const FatalExit& exit) {
        if (exit.status != 1)
            broken(std::string(loader) + " failed with a status other than 1");
        return false;
    }
    return true;
}

} // namespace fuzz

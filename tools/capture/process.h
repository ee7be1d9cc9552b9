// Running the ffmpeg and ffprobe commands: one with raw frames piped into it, one whose
// output is read back.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace capture {

// True when `name` is an executable file in one of the PATH directories.
bool commandExists(const std::string& name);

// Runs argv (argv[0] looked up in PATH), waits, and returns its standard output; `ok` is
// false when it could not run or ended with a non-zero status. Its standard error is dropped.
std::string commandOutput(const std::vector<std::string>& argv, bool* ok);

// A child process that reads what we write from its standard input; its standard output and
// error go to ours.
class PipeProcess {
  public:
    PipeProcess() = default;
    ~PipeProcess();
    PipeProcess(const PipeProcess&) = delete;
    PipeProcess& operator=(const PipeProcess&) = delete;

    bool start(const std::vector<std::string>& argv, std::string* error);
    // False when the child has gone (it printed why on standard error).
    bool write(const void* data, std::size_t size);
    // Closes its input and waits for it; false with `error` unless it ended with status 0.
    bool finish(std::string* error);
    // The child's process id while it runs, -1 otherwise.
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    int input_ = -1;
    std::string name_;
};

} // namespace capture

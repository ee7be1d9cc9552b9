// Test rig: the real demo binary running in the background under the test display.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class DemoProcess {
  public:
    // Starts `binary` with `workDir` as working directory; its output goes to files in
    // `logDir`. Extra environment entries are "NAME=value".
    DemoProcess(const std::string& binary, const std::string& workDir, const std::string& logDir,
                const std::vector<std::string>& env = {});
    // Kills the process group if anything of it still runs. So does a guard process when this
    // process ends without running the destructor (killed, interrupted, crashed).
    ~DemoProcess();
    DemoProcess(const DemoProcess&) = delete;
    DemoProcess& operator=(const DemoProcess&) = delete;

    // Waits up to `seconds` for the process to end; true when it did.
    bool waitForExit(double seconds);
    bool exited() const { return exited_; }
    int status() const { return status_; } // exit status when exited, -1 when killed
    std::string out() const;
    std::string err() const;
    // Waits until standard output holds `text`.
    bool waitForOutput(const std::string& text, double seconds) const;
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    pid_t guard_ = -1;
    int lifeline_ = -1; // held open while the object lives; see the constructor
    bool exited_ = false;
    int status_ = -1;
    std::string outPath_, errPath_;
};

// Runs a shell command and returns its standard output (trimmed), or "" on failure.
std::string shellOutput(const std::string& command);

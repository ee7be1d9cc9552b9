// Background demo processes for end-to-end tests.
#include "support/demo_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/paths.h"

DemoProcess::DemoProcess(const std::string& binary, const std::string& workDir,
                         const std::string& logDir, const std::vector<std::string>& env)
    : outPath_(logDir + "/stdout.txt"), errPath_(logDir + "/stderr.txt") {
    // Nobody writes to the lifeline: it reads as ended once the last holder, this process (the
    // programs it starts do not inherit it), has gone, however that happened.
    int lifeline[2] = {-1, -1};
    if (pipe2(lifeline, O_CLOEXEC) != 0)
        return;
    pid_ = fork();
    if (pid_ == 0) {
        // A process group of its own, so that the end of the test takes everything the
        // program started with it (a demo run under strace survives strace's death).
        setpgid(0, 0);
        const int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(err, 2);
        if (chdir(workDir.c_str()) != 0)
            _exit(126);
        for (const std::string& entry : env)
            putenv(const_cast<char*>(entry.c_str()));
        execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid_ > 0)
        setpgid(pid_, pid_);
    // The guard joins the group and takes it down when this process ends without doing so:
    // killed by a ctest time-out, stopped by Ctrl-C (the group, apart from the terminal's,
    // does not get that), or crashed.
    if (pid_ > 0) {
        guard_ = fork();
        if (guard_ == 0) {
            close(lifeline[1]);
            if (setpgid(0, pid_) != 0)
                _exit(0); // the group has already gone
            char byte = 0;
            while (read(lifeline[0], &byte, 1) < 0 && errno == EINTR) {
            }
            kill(0, SIGKILL);
            _exit(0);
        }
    }
    close(lifeline[0]);
    lifeline_ = lifeline[1];
}

DemoProcess::~DemoProcess() {
    if (pid_ > 0) {
        kill(-pid_, SIGKILL);
        if (!exited_)
            waitpid(pid_, nullptr, 0);
    }
    if (guard_ > 0) {
        kill(guard_, SIGKILL); // out of the group when it came too late to join it
        waitpid(guard_, nullptr, 0);
    }
    if (lifeline_ >= 0)
        close(lifeline_);
}

bool DemoProcess::waitForExit(double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!exited_) {
        int status = 0;
        const pid_t r = waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            exited_ = true;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string DemoProcess::out() const { return readFile(outPath_); }
std::string DemoProcess::err() const { return readFile(errPath_); }

bool DemoProcess::waitForOutput(const std::string& text, double seconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (out().find(text) != std::string::npos)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

std::string shellOutput(const std::string& command) {
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return "";
    std::string result;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, p))
        result += buffer;
    pclose(p);
    while (!result.empty() && (result.back() == '\n' || result.back() == ' '))
        result.pop_back();
    return result;
}

// Child processes with a pipe on standard input or standard output.
#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace capture {
namespace {

std::vector<char*> argvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (const std::string& a : argv)
        pointers.push_back(const_cast<char*>(a.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

std::string describeStatus(const std::string& name, int status) {
    if (WIFEXITED(status)) {
        const int code = WEXITSTATUS(status);
        if (code == 127)
            return name + " could not be started (is it installed?)";
        return name + " failed with exit status " + std::to_string(code);
    }
    if (WIFSIGNALED(status))
        return name + " was killed by signal " + std::to_string(WTERMSIG(status));
    return name + " ended abnormally";
}

} // namespace

bool commandExists(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? end : end - start);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

std::string commandOutput(const std::vector<std::string>& argv, bool* ok) {
    *ok = false;
    int out[2];
    if (pipe(out) != 0)
        return "";
    const pid_t pid = fork();
    if (pid < 0) {
        close(out[0]);
        close(out[1]);
        return "";
    }
    if (pid == 0) {
        dup2(out[1], 1);
        const int devNull = open("/dev/null", O_RDWR);
        if (devNull >= 0) {
            dup2(devNull, 0);
            dup2(devNull, 2);
        }
        close(out[0]);
        std::vector<char*> args = argvPointers(argv);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n > 0)
            text.append(buffer, static_cast<size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(out[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    *ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return text;
}

PipeProcess::~PipeProcess() {
    if (pid_ > 0) {
        std::string ignored;
        finish(&ignored);
    }
}

bool PipeProcess::start(const std::vector<std::string>& argv, std::string* error) {
    name_ = argv.empty() ? "" : argv[0];
    // A child that dies must give us a failed write, not a SIGPIPE that ends us silently.
    signal(SIGPIPE, SIG_IGN);
    int in[2];
    if (pipe(in) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    pid_ = fork();
    if (pid_ < 0) {
        *error = std::string("fork: ") + std::strerror(errno);
        close(in[0]);
        close(in[1]);
        return false;
    }
    if (pid_ == 0) {
        dup2(in[0], 0);
        close(in[0]);
        close(in[1]);
        std::vector<char*> args = argvPointers(argv);
        execvp(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    input_ = in[1];
    fcntl(input_, F_SETFD, FD_CLOEXEC);
    return true;
}

bool PipeProcess::write(const void* data, std::size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(input_, bytes, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool PipeProcess::finish(std::string* error) {
    if (input_ >= 0) {
        close(input_);
        input_ = -1;
    }
    if (pid_ <= 0)
        return true;
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return true;
    *error = describeStatus(name_, status);
    return false;
}

} // namespace capture

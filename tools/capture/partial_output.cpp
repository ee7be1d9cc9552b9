// Partial outputs, removed on failure and on interruption.
#include "partial_output.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

namespace fs = std::filesystem;

namespace capture {
namespace {

// What the signal handler may need, kept in plain memory it can read without allocating.
struct Slot {
    volatile sig_atomic_t used;
    volatile sig_atomic_t folder;
    volatile pid_t writer;
    char path[4096];
};
Slot gSlots[4];

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void writeText(const char* text) {
    const ssize_t ignored = write(2, text, std::strlen(text));
    (void)ignored;
}

// Async-signal-safe: the folder goes through rm in a child.
void removeFolderNow(char* path) {
    const pid_t child = _Fork();
    if (child == 0) {
        char rm[] = "rm", flags[] = "-rf", end[] = "--";
        char* argv[] = {rm, flags, end, path, nullptr};
        char* envp[] = {nullptr};
        execve("/bin/rm", argv, envp);
        _exit(127);
    }
    int status = 0;
    while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

extern "C" void removePartialAndDie(int sig) {
    for (Slot& slot : gSlots) {
        if (!slot.used)
            continue;
        if (slot.writer > 0) {
            kill(slot.writer, SIGKILL);
            waitpid(slot.writer, nullptr, 0);
        }
        if (slot.folder)
            removeFolderNow(slot.path);
        else
            unlink(slot.path);
        writeText("\ndemo-capture: interrupted; removed the unfinished ");
        writeText(slot.path);
        writeText("\n");
    }
    signal(sig, SIG_DFL);
    raise(sig); // delivered, and the program ended, when the handler returns
}

// Signals the program has not set aside (SIG_IGN under nohup stays).
void installHandler() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (int sig : kSignals) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL)
            continue;
        struct sigaction action {};
        action.sa_handler = removePartialAndDie;
        sigemptyset(&action.sa_mask);
        for (int other : kSignals)
            sigaddset(&action.sa_mask, other);
        sigaction(sig, &action, nullptr);
    }
}

// Holds the signals off for its lifetime, so that a move or a removal is never cut in half.
class SignalsHeld {
  public:
    SignalsHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : kSignals)
            sigaddset(&set, sig);
        sigprocmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsHeld() { sigprocmask(SIG_SETMASK, &old_, nullptr); }

  private:
    sigset_t old_;
};

void removePath(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
}

} // namespace

std::string partialName(const std::string& path) {
    fs::path p(path);
    if (!p.has_filename())
        p = p.parent_path(); // "frames/" names the folder "frames"
    return (p.parent_path() / ("." + p.stem().string() + ".partial" + p.extension().string()))
        .string();
}

PartialOutput::PartialOutput(std::string path, Kind kind) : path_(std::move(path)), kind_(kind) {
    removePath(path_);
    if (kind_ == Kind::Folder) {
        std::error_code ec;
        fs::create_directories(path_, ec);
    }
    installHandler();
    SignalsHeld held;
    for (int i = 0; i < 4; ++i) {
        if (gSlots[i].used)
            continue;
        std::snprintf(gSlots[i].path, sizeof gSlots[i].path, "%s", path_.c_str());
        gSlots[i].folder = kind_ == Kind::Folder;
        gSlots[i].writer = 0;
        gSlots[i].used = 1;
        slot_ = i;
        break;
    }
}

PartialOutput::~PartialOutput() {
    SignalsHeld held;
    if (slot_ >= 0) {
        gSlots[slot_].used = 0;
        removePath(path_);
    }
}

void PartialOutput::setWriter(pid_t pid) {
    if (slot_ >= 0)
        gSlots[slot_].writer = pid;
}

bool PartialOutput::commit(const std::string& target, std::string* error) {
    SignalsHeld held;
    std::error_code ec;
    if (kind_ == Kind::File) {
        fs::rename(path_, target, ec);
    } else {
        fs::create_directories(target, ec);
        for (auto it = fs::directory_iterator(path_, ec); !ec && it != fs::directory_iterator();
             it.increment(ec))
            fs::rename(it->path(), fs::path(target) / it->path().filename(), ec);
    }
    if (ec) {
        *error = "cannot move " + path_ + " to " + target + ": " + ec.message();
        return false; // the destructor removes what is left
    }
    if (slot_ >= 0)
        gSlots[slot_].used = 0;
    slot_ = -1;
    removePath(path_); // the emptied folder
    return true;
}

} // namespace capture

// Test paths and scratch folders.
#include "support/paths.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

std::string buildDir() { return QUORVEX_BUILD_DIR; }
std::string sourceDir() { return QUORVEX_SOURCE_DIR; }

namespace {

// The run's folder, set once by scratchRoot(); a copy for the signal handler, which may not
// allocate; the process that made it (forked children share the globals but not the folder).
std::string gRoot;
char gRootForSignal[4096];
pid_t gOwner = 0;

// What the program runs: the one test's full name, or the program's own name.
std::string runName() {
    const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    std::string name;
    if (unit.test_to_run_count() == 1) {
        for (int s = 0; s < unit.total_test_suite_count() && name.empty(); ++s) {
            const ::testing::TestSuite& suite = *unit.GetTestSuite(s);
            for (int t = 0; t < suite.total_test_count(); ++t)
                if (suite.GetTestInfo(t)->should_run())
                    name = std::string(suite.name()) + "." + suite.GetTestInfo(t)->name();
        }
    }
    if (name.empty()) {
        std::error_code ec;
        name = fs::read_symlink("/proc/self/exe", ec).filename().string();
        if (name.empty())
            name = "tests";
    }
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.')
            c = '.';
    return name;
}

void removeRoot() {
    std::error_code ec;
    fs::remove_all(gRoot, ec);
}

// Ends the process as `sig` would have, without its scratch folder. Only async-signal-safe
// calls: the folder is removed by rm in a child.
extern "C" void removeScratchAndDie(int sig) {
    if (getpid() == gOwner) {
        const pid_t child = _Fork();
        if (child == 0) {
            char rm[] = "rm", flags[] = "-rf", end[] = "--";
            char* argv[] = {rm, flags, end, gRootForSignal, nullptr};
            char* envp[] = {nullptr};
            execve("/bin/rm", argv, envp);
            _exit(127);
        }
        int status = 0;
        while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

// Signals that nothing else of the program handles remove the folder first.
void removeOnSignals() {
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) != 0 || old.sa_handler != SIG_DFL)
            continue;
        struct sigaction action {};
        action.sa_handler = removeScratchAndDie;
        sigemptyset(&action.sa_mask);
        sigaction(sig, &action, nullptr);
    }
}

class RemoveWhenPassed : public ::testing::EmptyTestEventListener {
    void OnTestProgramEnd(const ::testing::UnitTest& unit) override {
        if (getpid() != gOwner)
            return;
        if (unit.Passed())
            removeRoot();
        else
            std::fprintf(stderr, "test scratch kept for inspection: %s\n", gRoot.c_str());
    }
};

// Takes `dir` for this process when no live process holds it: a lock on dir/.lock, released
// by the kernel when the holder ends. The lock file is the one thing kept of an earlier run.
bool claim(const fs::path& dir) {
    std::error_code ec;
    fs::create_directories(dir, ec);
    const int fd = open((dir / ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    for (const auto& entry : fs::directory_iterator(dir, ec))
        if (entry.path().filename() != ".lock")
            fs::remove_all(entry.path(), ec);
    return true; // the descriptor stays open, and the lock held, for the life of the process
}

} // namespace

std::string scratchRoot() {
    if (!gRoot.empty())
        return gRoot; // a forked child works in its parent's folder
    const fs::path base = fs::path(buildDir()) / "test-scratch";
    const std::string name = runName();
    fs::path dir = base / name;
    if (!claim(dir)) {
        dir = base / (name + "-" + std::to_string(getpid()));
        claim(dir);
    }
    gRoot = dir.string();
    gOwner = getpid();
    std::snprintf(gRootForSignal, sizeof gRootForSignal, "%s", gRoot.c_str());
    removeOnSignals();
    ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
    if (unit.total_test_count() > 0)
        unit.listeners().Append(new RemoveWhenPassed);
    else
        std::atexit(removeRoot); // not a test program (a benchmark): nothing to inspect
    return gRoot;
}

std::string makeScratchDir(const std::string& name) {
    static std::map<std::string, int> uses;
    const int use = ++uses[name];
    const fs::path dir =
        fs::path(scratchRoot()) / (use == 1 ? name : name + "-" + std::to_string(use));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

std::string makeScratchTree(const std::string& name) {
    const fs::path root = makeScratchDir(name);
    for (const char* sub : {"bin", "models/moves", "textures", "music"})
        fs::create_directories(root / sub);
    return root.string();
}

bool linkAssetTree(const std::string& root) {
    bool ok = true;
    for (const char* sub : {"models", "textures", "music"}) {
        std::error_code ec;
        const fs::path from = fs::path(buildDir()) / sub;
        for (auto it = fs::recursive_directory_iterator(from, ec);
             !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
            const fs::path to = fs::path(root) / fs::relative(it->path(), buildDir());
            std::error_code linkError;
            if (it->is_directory()) {
                fs::create_directories(to, linkError);
            } else {
                ::unlink(to.c_str());
                fs::create_hard_link(it->path(), to, linkError);
                if (linkError)
                    linkError = copyFile(it->path(), to) ? std::error_code() : linkError;
            }
            ok = ok && !linkError;
        }
        ok = ok && !ec;
    }
    return ok;
}

bool copyFile(const std::string& from, const std::string& to) {
    ::unlink(to.c_str());
    std::error_code ec;
    fs::copy_file(from, to, ec);
    return !ec;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    ::unlink(path.c_str());
    std::ofstream out(path, std::ios::binary);
    out << bytes;
    return static_cast<bool>(out);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

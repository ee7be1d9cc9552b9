// Test rig: run code or a program in a child process and collect what it printed and how it
// ended. Used for every fatal path (the demo ends the process on a bad asset).
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ChildResult {
    bool exited = false;   // ended through exit()
    int status = -1;       // exit status (0..255) when exited
    int signal = 0;        // terminating signal otherwise
    bool timedOut = false; // killed after the time limit
    std::string out;       // standard output
    std::string err;       // standard error
};

// Forks, runs `body` in the child (which then exits 0 if body returns), waits at most
// `timeoutSeconds`.
ChildResult runInChild(const std::function<void()>& body, double timeoutSeconds = 30);

// Runs `argv` (argv[0] a path) in `workDir` with extra environment entries "NAME=value".
ChildResult runProgram(const std::vector<std::string>& argv, const std::string& workDir,
                       const std::vector<std::string>& env = {}, double timeoutSeconds = 60);

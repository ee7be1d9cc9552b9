// Start-up milestones and the start-up report.
#include "app/startup_report.h"

#include <time.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

double recorded[static_cast<int>(Milestone::count)];
bool reached[static_cast<int>(Milestone::count)];

double secondsOf(clockid_t id) {
    timespec ts{};
    clock_gettime(id, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Seconds from launch to now, with the source used, or NaN when neither source is readable.
double secondsSinceLaunch(const char** source) {
    const char* launched = std::getenv("QUORVEX_LAUNCHED_AT");
    if (launched && *launched) {
        char* end = nullptr;
        const double ns = std::strtod(launched, &end);
        if (end && *end == '\0' && ns > 0) {
            *source = "QUORVEX_LAUNCHED_AT";
            return secondsOf(CLOCK_REALTIME) - ns * 1e-9;
        }
    }
    // Field 22 of /proc/self/stat: start time in clock ticks after boot. The command name
    // (field 2) may hold spaces, so fields are counted from its closing parenthesis.
    std::ifstream in("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t paren = stat.rfind(')');
    if (paren == std::string::npos)
        return NAN;
    const char* p = stat.c_str() + paren + 1;
    for (int field = 3; field < 22 && p; ++field) {
        p = std::strchr(p + 1, ' ');
    }
    if (!p)
        return NAN;
    const double ticks = std::strtod(p, nullptr);
    *source = "/proc/self/stat, in 10 ms steps";
    return secondsOf(CLOCK_BOOTTIME) - ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

} // namespace

void markMilestone(Milestone m) {
    const int i = static_cast<int>(m);
    if (reached[i])
        return;
    recorded[i] = secondsOf(CLOCK_MONOTONIC);
    reached[i] = true;
}

double milestoneSeconds(Milestone m) {
    const int i = static_cast<int>(m);
    return reached[i] ? recorded[i] : NAN;
}

double millisecondsBetween(Milestone from, Milestone to) {
    return (milestoneSeconds(to) - milestoneSeconds(from)) * 1000.0;
}

void reportStartupIfAsked() {
    const char* asked = std::getenv("QUORVEX_STARTUP_REPORT");
    if (!asked || !*asked)
        return;
    const char* source = "unknown";
    const double sinceLaunch = secondsSinceLaunch(&source) * 1000.0;
    // Launch to main is what the report cannot see from inside: exec, loading the libraries.
    const double beforeMain =
        sinceLaunch -
        (secondsOf(CLOCK_MONOTONIC) - milestoneSeconds(Milestone::mainEntered)) * 1000.0;
    std::fprintf(stderr,
                 "start-up: first frame %.1f ms after launch (%s): before main %.1f, window "
                 "%.1f, loaders %.1f, then clocks %.1f, first frame %.1f; music to clocks "
                 "%.1f ms\n",
                 sinceLaunch, source, beforeMain,
                 millisecondsBetween(Milestone::mainEntered, Milestone::windowReady),
                 millisecondsBetween(Milestone::windowReady, Milestone::loadersDone),
                 millisecondsBetween(Milestone::loadersDone, Milestone::clocksStarted),
                 millisecondsBetween(Milestone::clocksStarted, Milestone::firstFrameShown),
                 millisecondsBetween(Milestone::musicStarting, Milestone::clocksStarted));
    std::fflush(stderr);
}

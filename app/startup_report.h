// Milestones of the start-up on the monotonic clock, and the one-line report a measuring run
// asks for with QUORVEX_STARTUP_REPORT. Separate from the timeline's tick, so offscreen tools
// on virtual time still see real durations.
#pragma once

enum class Milestone {
    mainEntered,     // first line of main
    windowReady,     // window, fixed GL state and hidden pointer done
    loadersDone,     // every loader has run
    musicStarting,   // loadMusic is about to start playback (Mix_PlayMusic follows at once)
    clocksStarted,   // startClocks: the timeline's second 0
    firstFrameShown, // the first frame's buffer swap has returned
    count
};

// Records the current monotonic time for `m`; later calls for the same milestone are ignored.
void markMilestone(Milestone m);
// Monotonic seconds at which `m` was recorded, or NaN if it has not been.
double milestoneSeconds(Milestone m);
// Milliseconds from `from` to `to`, NaN unless both were recorded.
double millisecondsBetween(Milestone from, Milestone to);

// With QUORVEX_STARTUP_REPORT set (to anything but empty), writes one line to standard error:
// the first frame's delay after launch and where the time went. Launch is the instant in
// QUORVEX_LAUNCHED_AT (nanoseconds of CLOCK_REALTIME, e.g. `date +%s%N` just before exec),
// else the process start the kernel records (in 10 ms steps, so up to 10 ms early). Called
// once, after the first frame.
void reportStartupIfAsked();

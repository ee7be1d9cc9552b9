/* What the sanitizer build (QUORVEX_SANITIZE) carries so that every run of it, in the test rig
 * or straight from a shell, checks leaks the same way: built into the program, not passed in
 * through the environment.
 *
 * The GL drivers (Mesa's swrast_dri.so under libEGL / libGLX) are unloaded while the process
 * exits, before LeakSanitizer looks for leaks. Memory the driver still held then shows up as
 * leaked from "<unknown module>", which no suppression can name. So dlclose keeps every library
 * mapped here, the reports name the driver's own library, and the suppressions of
 * scripts/lsan.supp (built in below) match it by module, while every leak in this project's
 * own code is still reported. An environment's LSAN_OPTIONS=suppressions=... adds to these. */
#include <dirent.h>
#include <stddef.h>
#include <stdlib.h>
#include <time.h>

int dlclose(void* handle) {
    (void)handle;
    return 0;
}

const char* __lsan_default_suppressions(void) {
    return
#include "lsan_suppressions.inc"
        ;
}

/* A clean run prints nothing, not even the table of suppressions used. */
const char* __lsan_default_options(void) {
    return "print_suppressions=0";
}

const char* __ubsan_default_options(void) {
    return "print_stacktrace=1:halt_on_error=1";
}

/* The leak check at exit stops every thread and scans its stack and thread-local storage. Mesa's
 * software rasteriser does not join its worker threads when a context goes: it waits for each to
 * say it is done and returns while they are still leaving, freeing their thread-local blocks.
 * A check that catches one of them half-way reads freed blocks and dies ("Tracer caught signal
 * 11"), so no verdict on leaks comes out at all. The handler below runs after the program's own
 * exit work (the GL context's teardown included) and just before the leak check: it waits until
 * the other threads have gone, or until their number has held still for a tenth of a second
 * (threads that live to the end, which the check handles), at most two seconds. */
static int threadCount(void) {
    DIR* tasks = opendir("/proc/self/task");
    if (!tasks)
        return -1;
    int count = 0;
    for (struct dirent* entry = readdir(tasks); entry; entry = readdir(tasks))
        if (entry->d_name[0] != '.')
            ++count;
    closedir(tasks);
    return count;
}

static void waitForLeavingThreads(void) {
    const struct timespec pause = {0, 2 * 1000 * 1000};
    int last = threadCount(), still = 0;
    for (int waited = 0; last > 1 && still < 50 && waited < 1000; ++waited) {
        nanosleep(&pause, NULL);
        const int now = threadCount();
        still = now == last ? still + 1 : 0;
        last = now;
    }
}

/* Registered before main, so after the program's own exit handlers and static destructors
 * and before the sanitizer runtime's leak check, which it registered earlier still. */
__attribute__((constructor)) static void registerWaitForLeavingThreads(void) {
    atexit(waitForLeavingThreads);
}

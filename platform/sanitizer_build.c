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
#include <stddef.h>

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

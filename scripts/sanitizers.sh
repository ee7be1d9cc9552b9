#!/usr/bin/env bash
# sanitizer_environment BUILD_DIR: exports the options of a run of the sanitizer build
# (QUORVEX_SANITIZE) in the test rig: every report fatal and on standard error, leaks checked
# at exit. The leak suppressions of scripts/lsan.supp and the GL drivers kept mapped until the
# leak check are built into that build's programs (platform/sanitizer_build.c), so a run
# outside the rig checks leaks the same way. Sourced by test.sh and scripts/soak.sh.
sanitizer_environment() {
    export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export LSAN_OPTIONS="print_suppressions=0"
}

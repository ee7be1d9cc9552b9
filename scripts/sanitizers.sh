#!/usr/bin/env bash
# sanitizer_environment BUILD_DIR: exports what a run of the sanitizer build (QUORVEX_SANITIZE)
# needs: every report fatal and on standard error, leaks checked at exit with the third-party
# suppressions of scripts/lsan.supp, and the GL drivers kept mapped until the leak check (see
# tests/support/keep_libraries.c). Sourced by test.sh and scripts/soak.sh.
#
# Only the keeper is preloaded, not the ASan runtime: the tests also start programs that are
# not instrumented (ffmpeg, xdotool, strace), and those must not get a leak check of their own.
# The keeper defines nothing ASan intercepts, so the instrumented programs may load it first.
sanitizer_environment() {
    local build="$1" root
    root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
    export LD_PRELOAD="$build/lib/libkeep_libraries.so"
    export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:verify_asan_link_order=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
    export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
}

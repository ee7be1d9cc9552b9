#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless (Xvfb, Mesa llvmpipe, SDL's
# dummy audio driver): first the Release build in build/, then the same tests on a build with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize/.
# Extra arguments go to both ctest runs, e.g. ./test.sh -R Timeline
# QUORVEX_SKIP_SANITIZE=1 runs the Release build's tests only.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/scripts/setup.sh"
source "$ROOT/scripts/headless.sh"
source "$ROOT/scripts/sanitizers.sh"

start_headless_display
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
export LIBGL_ALWAYS_SOFTWARE=1
echo "test.sh: Release build ($BUILD_DIR)" >&2
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" "$@"

if [ -n "${QUORVEX_SKIP_SANITIZE:-}" ]; then
    exit 0
fi
SANITIZE_DIR="$ROOT/build-sanitize"
echo "test.sh: sanitizer build ($SANITIZE_DIR)" >&2
# Only what the tests run (target "tested": no benchmark, no generator run), with the Release
# tree's generated assets linked in.
RELEASE_DIR="$BUILD_DIR"
BUILD_DIR="$SANITIZE_DIR" BUILD_TARGETS="tested" \
    CMAKE_EXTRA_ARGS="-DQUORVEX_SANITIZE=ON -DQUORVEX_ASSETS_FROM=$RELEASE_DIR" build_project
(
    sanitizer_environment "$SANITIZE_DIR"
    ctest --test-dir "$SANITIZE_DIR" --output-on-failure -j "$(nproc)" "$@"
)

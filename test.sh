#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless (Xvfb, Mesa llvmpipe, SDL's
# dummy audio driver). Extra arguments go to ctest, e.g. ./test.sh -R Timeline
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/scripts/setup.sh"
source "$ROOT/scripts/headless.sh"

start_headless_display
export SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"
export LIBGL_ALWAYS_SOFTWARE=1
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$(nproc)" "$@"

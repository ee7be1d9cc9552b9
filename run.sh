#!/usr/bin/env bash
# Installs what is missing, builds, generates the assets and plays the demo.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/scripts/setup.sh"

if [ -z "${DISPLAY:-}" ]; then
    # Nothing to show it on: record it instead, picture and music, with the offscreen tool.
    echo "run.sh: no display (DISPLAY is not set); recording the demo instead:" \
         "0 to 120 s, 1280x720, 30 fps, to $BUILD_DIR/capture/demo.mp4" >&2
    mkdir -p "$BUILD_DIR/capture"
    cd "$BUILD_DIR/bin"
    exec ./demo-capture --from 0 --to 120 --size 1280x720 --fps 30 \
        --out "$BUILD_DIR/capture/demo.mp4"
fi
cd "$BUILD_DIR/bin"
exec ./demo "$@"

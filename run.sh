#!/usr/bin/env bash
# Installs what is missing, builds, generates the assets and plays the demo.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/scripts/setup.sh"

if [ -z "${DISPLAY:-}" ]; then
    echo "run.sh: no display (DISPLAY is not set); the demo needs a screen to play on." >&2
    exit 1
fi
cd "$BUILD_DIR/bin"
exec ./demo "$@"

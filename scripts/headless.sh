#!/usr/bin/env bash
# start_headless_display: when no display is set, starts Xvfb (GLX, 24-bit) on a free display
# number for the life of the calling shell and exports DISPLAY.
start_headless_display() {
    if [ -n "${DISPLAY:-}" ]; then
        return 0
    fi
    local n
    for n in $(seq 90 120); do
        if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
            break
        fi
    done
    Xvfb ":$n" -screen 0 1280x1024x24 +extension GLX -nolisten tcp >/dev/null 2>&1 &
    HEADLESS_XVFB_PID=$!
    trap 'kill "$HEADLESS_XVFB_PID" 2>/dev/null || true' EXIT
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 50); do
        if xdpyinfo >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    echo "headless: Xvfb did not start on :$n" >&2
    return 1
}

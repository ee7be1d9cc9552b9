#!/usr/bin/env bash
# start_headless_display: when no display is set, starts Xvfb (GLX, 24-bit) on a free display
# number for the life of the calling shell and exports DISPLAY.
start_headless_display() {
    if [ -n "${DISPLAY:-}" ]; then
        return 0
    fi
    # Xvfb takes a free number itself and reports it once it accepts clients: two runs that
    # start at the same moment never end up sharing one server, which the first to finish
    # would take away from the other.
    local number_file n=""
    number_file="$(mktemp)"
    # -noreset: by default the server resets whenever its last client leaves, and a test that
    # connects during the reset is refused ("failed to open display").
    Xvfb -displayfd 3 -screen 0 1280x1024x24 +extension GLX -nolisten tcp -noreset \
        3>"$number_file" >/dev/null 2>&1 &
    HEADLESS_XVFB_PID=$!
    trap 'kill "$HEADLESS_XVFB_PID" 2>/dev/null || true' EXIT
    for _ in $(seq 1 300); do
        n="$(tr -dc '0-9' <"$number_file")"
        if [ -n "$n" ] || ! kill -0 "$HEADLESS_XVFB_PID" 2>/dev/null; then
            break
        fi
        sleep 0.1
    done
    rm -f "$number_file"
    if [ -z "$n" ]; then
        echo "headless: Xvfb did not start" >&2
        return 1
    fi
    export DISPLAY=":$n"
}

#!/usr/bin/env bash
# Measures the live demo's start-up: starts build/bin/demo RUNS times (default 5) full screen on
# its own Xvfb of SIZE (default 1280x720) with SDL's dummy audio driver, reads the start-up
# report each run prints after its first frame, stops it, and prints every report and the
# medians of the first frame's delay after launch and of music to clocks.
#   scripts/startup.sh [RUNS] [WIDTHxHEIGHT]
# Mesa's shader cache is used as on any run; MESA_SHADER_CACHE_DISABLE=true in the environment
# measures a first run after installation instead.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
RUNS="${1:-5}"
SIZE="${2:-1280x720}"
BIN="$ROOT/build/bin"
if ! [[ "$RUNS" =~ ^[1-9][0-9]*$ ]] || ! [[ "$SIZE" =~ ^[1-9][0-9]*x[1-9][0-9]*$ ]]; then
    echo "usage: scripts/startup.sh [RUNS] [WIDTHxHEIGHT]" >&2
    exit 2
fi
if [ ! -x "$BIN/demo" ]; then
    echo "startup: $BIN/demo is missing; build first (./run.sh or scripts/setup.sh)" >&2
    exit 1
fi

display=""
for n in $(seq 140 180); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
        display=":$n"
        break
    fi
done
[ -n "$display" ] || { echo "startup: no free X display number" >&2; exit 1; }
Xvfb "$display" -screen 0 "${SIZE}x24" +extension GLX -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
log="$(mktemp)"
demo=""
cleanup() {
    [ -n "$demo" ] && kill "$demo" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    rm -f "$log"
}
trap cleanup EXIT
export DISPLAY="$display" SDL_AUDIODRIVER=dummy QUORVEX_STARTUP_REPORT=1
for i in $(seq 1 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done

frames=()
music=()
cd "$BIN"
for run in $(seq 1 "$RUNS"); do
    : >"$log"
    # The launch instant is taken just before exec, so the figure includes exec and linking.
    (QUORVEX_LAUNCHED_AT="$(date +%s%N)" exec ./demo >/dev/null 2>"$log") &
    demo=$!
    for i in $(seq 1 300); do
        grep -q '^start-up:' "$log" && break
        kill -0 "$demo" 2>/dev/null || break
        sleep 0.1
    done
    kill "$demo" 2>/dev/null || true
    wait "$demo" 2>/dev/null || true
    demo=""
    line="$(grep '^start-up:' "$log" || true)"
    if [ -z "$line" ]; then
        echo "startup: run $run printed no report:" >&2
        cat "$log" >&2
        exit 1
    fi
    echo "run $run: $line"
    frames+=("$(sed -E 's/^start-up: first frame ([0-9.]+) ms.*/\1/' <<<"$line")")
    music+=("$(sed -E 's/.*music to clocks ([0-9.]+) ms.*/\1/' <<<"$line")")
    sleep 0.5 # let the previous run's Xvfb traffic and audio thread settle
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
echo "median of $RUNS runs at $SIZE: first frame $(median "${frames[@]}") ms after launch," \
    "music to clocks $(median "${music[@]}") ms"

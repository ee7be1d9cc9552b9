#!/usr/bin/env bash
# The soak: demo-capture renders ten minutes of timeline at 60 fps in virtual time, in the
# sanitizer build (AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer at exit).
# It passes when the run ends cleanly with no sanitizer report and the memory in use is flat
# after the first minute: the live heap may grow by at most 1 MiB and the resident set by at
# most 16 MiB between the sample at one minute and the last.
#
#   scripts/soak.sh [--minutes N] [--size WxH]      (defaults: 10, 320x180)
#
# Builds build-sanitize/ (the build test.sh also uses) when needed. The report and the
# sanitizers' output stay in build-sanitize/soak/.
set -euo pipefail

MINUTES=10
SIZE=320x180
while [ $# -gt 0 ]; do
    case "$1" in
    --minutes) MINUTES="$2"; shift 2 ;;
    --size) SIZE="$2"; shift 2 ;;
    -h | --help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "soak.sh: unknown argument '$1' (try --help)" >&2; exit 2 ;;
    esac
done
if ! [[ "$MINUTES" =~ ^[0-9]+$ ]] || [ "$MINUTES" -lt 2 ]; then
    echo "soak.sh: --minutes must be a whole number of at least 2 (memory is compared from the" \
         "first minute on)" >&2
    exit 2
fi

BUILD_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build-sanitize"
CMAKE_EXTRA_ARGS="-DQUORVEX_SANITIZE=ON"
source "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
source "$ROOT/scripts/sanitizers.sh"

OUT="$BUILD_DIR/soak"
mkdir -p "$OUT"
seconds=$((MINUTES * 60))
echo "soak.sh: $MINUTES min of timeline at 60 fps, $SIZE, under the sanitizers" >&2
status=0
(
    sanitizer_environment "$BUILD_DIR"
    cd "$BUILD_DIR/bin"
    exec ./demo-capture --bench --json --from 0 --to "$seconds" --fps 60 --size "$SIZE"
) >"$OUT/report.json" 2> >(tee "$OUT/stderr.log" >&2) || status=$?
sleep 0.2 # let tee write the last of standard error

failed=0
if [ "$status" -ne 0 ]; then
    echo "soak.sh: FAILED: demo-capture ended with status $status" >&2
    failed=1
fi
if grep -qE "ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: " "$OUT/stderr.log"; then
    echo "soak.sh: FAILED: sanitizer report in $OUT/stderr.log" >&2
    failed=1
fi

# The memory samples: one per minute of timeline, and the last frame's.
samples=$(grep -o '"memory": \[[^]]*\]' "$OUT/report.json" || true)
heap=($(grep -o '"heap_mib": [0-9.]*' <<<"$samples" | cut -d' ' -f2))
resident=($(grep -o '"resident_mib": [0-9.]*' <<<"$samples" | cut -d' ' -f2))
if [ ${#heap[@]} -lt 3 ]; then
    echo "soak.sh: FAILED: fewer than three memory samples in $OUT/report.json" >&2
    exit 1
fi
last=$((${#heap[@]} - 1))
echo "soak.sh: live heap (MiB) by minute: ${heap[*]}" >&2
echo "soak.sh: resident (MiB) by minute:  ${resident[*]}" >&2
if ! awk -v a="${heap[1]}" -v b="${heap[$last]}" -v r1="${resident[1]}" -v r2="${resident[$last]}" \
    'BEGIN { exit !((b - a) <= 1.0 && (r2 - r1) <= 16.0) }'; then
    echo "soak.sh: FAILED: memory grows after the first minute" \
         "(heap ${heap[1]} -> ${heap[$last]} MiB, resident ${resident[1]} -> ${resident[$last]} MiB)" >&2
    failed=1
fi
frames=$(grep -o '"all": {"frames": [0-9]*, "median_ms": [0-9.]*' "$OUT/report.json" | grep -o '[0-9.]*$' || true)
echo "soak.sh: median frame ${frames:-?} ms" >&2
if [ $failed -ne 0 ]; then
    exit 1
fi
echo "soak.sh: passed" >&2

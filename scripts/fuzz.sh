#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, coverage of the whole library) into
# build-fuzz/, makes their seed corpora and runs each target for a fixed time, two at a time.
#
#   scripts/fuzz.sh [--time SECONDS] [--jobs N] [TARGET...]     TARGET: obj path png 3ds
#
# Defaults: 600 seconds per target, 2 at a time, all four targets. The corpus grows in
# build-fuzz/corpus/TARGET across runs; seeds are remade every run in build-fuzz/seeds/TARGET
# from the tests' fixtures (fuzz-seeds) and the project's generated assets. A crash, hang,
# leak or sanitizer report leaves its input in build-fuzz/artifacts/TARGET/ and the log in
# build-fuzz/logs/TARGET.log; the script then exits 1. Keep what it finds, once the fault is
# fixed, as a bad file in tests/bad_files/.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
FUZZ_DIR="${FUZZ_DIR:-$ROOT/build-fuzz}"
SECONDS_EACH=600
JOBS=2
TARGETS=()
while [ $# -gt 0 ]; do
    case "$1" in
    --time) SECONDS_EACH="$2"; shift 2 ;;
    --jobs) JOBS="$2"; shift 2 ;;
    -h | --help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    obj | path | png | 3ds) TARGETS+=("$1"); shift ;;
    *) echo "fuzz.sh: unknown argument '$1' (try --help)" >&2; exit 2 ;;
    esac
done
[ ${#TARGETS[@]} -gt 0 ] || TARGETS=(obj path png 3ds)

if ! command -v clang++ >/dev/null 2>&1 || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    echo "fuzz.sh: installing clang and its runtime libraries" >&2
    apt-get update -q >/dev/null
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends clang libclang-rt-14-dev >/dev/null
fi

mkdir -p "$FUZZ_DIR/logs"
if [ ! -f "$FUZZ_DIR/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$FUZZ_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUORVEX_FUZZ=ON >/dev/null
fi
if ! cmake --build "$FUZZ_DIR" -j "$(nproc)" --target fuzz_obj fuzz_path fuzz_png fuzz_3ds \
    fuzz-seeds assets -- --no-print-directory >"$FUZZ_DIR/logs/build.log" 2>&1; then
    tail -n 30 "$FUZZ_DIR/logs/build.log" >&2
    echo "fuzz.sh: the build failed (whole log: $FUZZ_DIR/logs/build.log)" >&2
    exit 1
fi

# Seeds: the fixtures, then the project's own files. Large assets are cut at a line (OBJ) or
# left out (PNG over 64 KiB): small inputs mutate faster, and the cut files still hold every
# kind of line.
SEEDS="$FUZZ_DIR/seeds"
rm -rf "$SEEDS"
"$FUZZ_DIR/bin/fuzz-seeds" "$SEEDS"
for f in "$FUZZ_DIR"/models/*.obj; do
    head -c 6000 "$f" | sed '$d' >"$SEEDS/obj/$(basename "$f")"
done
cp "$FUZZ_DIR"/models/*.ASE "$SEEDS/path/"
find "$FUZZ_DIR/textures" -name '*.png' -size -64k -exec cp {} "$SEEDS/png/" \;
cp "$FUZZ_DIR"/models/moves/* "$SEEDS/3ds/"
# What fuzzing found before: every kept bad file is a seed for its loader too.
for kind in obj path png 3ds; do
    [ -d "$ROOT/tests/bad_files/$kind" ] && cp "$ROOT/tests/bad_files/$kind"/* "$SEEDS/$kind/" 2>/dev/null || true
done

max_len() {
    case "$1" in
    obj) echo 8192 ;;
    path) echo 4096 ;;
    png) echo 65536 ;;
    3ds) echo 65536 ;;
    esac
}

# Dictionaries of tokens the byte mutator would not guess: fuzz/TARGET.dict where there is one.
dict_option() {
    [ -f "$ROOT/fuzz/$1.dict" ] && echo "-dict=$ROOT/fuzz/$1.dict" || true
}

run_target() {
    local t="$1"
    mkdir -p "$FUZZ_DIR/corpus/$t" "$FUZZ_DIR/artifacts/$t" "$FUZZ_DIR/logs"
    # Third-party leaks are none of these targets' business, but ours are: no suppressions.
    ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:${ASAN_OPTIONS:-}" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}" \
        "$FUZZ_DIR/bin/fuzz_$t" "$FUZZ_DIR/corpus/$t" "$SEEDS/$t" \
        -max_total_time="$SECONDS_EACH" -max_len="$(max_len "$t")" -timeout=10 $(dict_option "$t") \
        -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$FUZZ_DIR/artifacts/$t/" >"$FUZZ_DIR/logs/$t.log" 2>&1
}

# One line per target: executions, speed, coverage (edges), features, corpus size.
summary() {
    local t="$1" status="$2" log="$FUZZ_DIR/logs/$1.log"
    local runs speed cov ft corp
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
    corp=$(grep -o 'corp: [0-9]*/[0-9a-zA-Z]*' "$log" | tail -1 | cut -d' ' -f2)
    printf '%-5s %s  %s s  %s execs  %s exec/s  cov %s  ft %s  corpus %s\n' "$t" \
        "$([ "$status" = 0 ] && echo clean || echo FAILED)" "$SECONDS_EACH" "${runs:-?}" \
        "${speed:-?}" "${cov:-?}" "${ft:-?}" "${corp:-?}"
}

echo "fuzz.sh: ${TARGETS[*]}, $SECONDS_EACH s each, $JOBS at a time; logs in $FUZZ_DIR/logs" >&2
declare -A STATUS
failed=0
i=0
while [ $i -lt ${#TARGETS[@]} ]; do
    pids=()
    names=()
    for ((j = 0; j < JOBS && i < ${#TARGETS[@]}; j++, i++)); do
        run_target "${TARGETS[$i]}" &
        pids+=($!)
        names+=("${TARGETS[$i]}")
    done
    for k in "${!pids[@]}"; do
        if wait "${pids[$k]}"; then STATUS[${names[$k]}]=0; else STATUS[${names[$k]}]=1; failed=1; fi
        summary "${names[$k]}" "${STATUS[${names[$k]}]}"
    done
done
if [ $failed -ne 0 ]; then
    echo "fuzz.sh: a target failed; see the logs and $FUZZ_DIR/artifacts/" >&2
    exit 1
fi

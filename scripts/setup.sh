#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: installs the Debian packages the build, the tools and
# the tests need when they are missing, then configures and builds Release into build/.
# Sourced, so the caller keeps ROOT and the build directory.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"

PACKAGES=(
    build-essential cmake pkg-config
    freeglut3-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri libegl-mesa0
    libpng-dev lib3ds-dev libsdl2-mixer-dev libmp3lame-dev libasound2-dev libmpg123-dev
    libgtest-dev libbenchmark-dev
    ffmpeg xvfb xdotool x11-utils xauth strace libxfixes-dev
    file lintian
)

missing_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$p")
        fi
    done
    echo "${missing[@]:-}"
}

# "m:ss" for a number of seconds.
clock_text() {
    printf '%d:%02d' $(($1 / 60)) $(($1 % 60))
}

# Copies apt's output to LOG and prints a line at every tenth of TOTAL lines that begin with
# PATTERN ("Get:", "Setting up"), so that a long install shows it is moving.
apt_progress() {
    local log="$1" pattern="$2" label="$3" total="$4" started="$5" done=0 step line
    step=$((total / 10))
    if [ "$step" -lt 1 ]; then
        step=1
    fi
    while IFS= read -r line; do
        printf '%s\n' "$line" >>"$log"
        case "$line" in
        "$pattern"*)
            done=$((done + 1))
            if [ $((done % step)) -eq 0 ] || [ "$done" -eq "$total" ]; then
                echo "setup:     $label $done of $total ($(clock_text $((SECONDS - started))))" >&2
            fi
            ;;
        esac
    done
}

install_packages() {
    if ! command -v apt-get >/dev/null 2>&1 || ! command -v dpkg-query >/dev/null 2>&1; then
        echo "setup: no apt-get here. The build needs: cmake, a C++17 compiler, pkg-config," \
             "freeglut, GLU, EGL (Mesa), libpng, lib3ds 1.x, SDL2_mixer, libmp3lame," \
             "GoogleTest, Google Benchmark; the tests also need Xvfb, xdotool, ffmpeg, file" \
             "and lintian." >&2
        echo "setup: going on with what is installed." >&2
        return 0
    fi
    local missing
    missing="$(missing_packages)"
    if [ -z "$missing" ]; then
        return 0
    fi
    # Waits for another apt or dpkg that holds the lock instead of failing at once.
    local apt=(env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600)
    if [ "$(id -u)" -ne 0 ]; then
        apt=(sudo "${apt[@]}")
    fi
    local log started=$SECONDS
    log="$(mktemp -t quorvex-apt.XXXXXX)"
    echo "setup: installing the Debian packages the build and the tests need: $missing" >&2
    echo "setup: apt's own output goes to $log" >&2
    echo "setup: [1/3] updating the package lists" >&2
    if ! "${apt[@]}" update >>"$log" 2>&1; then
        echo "setup: apt-get update failed:" >&2
        tail -n 20 "$log" >&2
        return 1
    fi
    # With what they depend on, a bare system needs some 390 packages, about 4 minutes on
    # two cores: a few hundred megabytes to download, then unpacking and setting them up.
    local count downloads megabytes
    # shellcheck disable=SC2086
    count="$("${apt[@]}" install -s --no-install-recommends $missing 2>/dev/null |
        grep -c '^Inst ' || true)"
    # shellcheck disable=SC2086
    read -r downloads megabytes < <("${apt[@]}" install -qq --print-uris \
        --no-install-recommends $missing 2>/dev/null |
        awk '{ n++; bytes += $3 } END { printf "%d %.1f\n", n, bytes / 1e6 }')
    echo "setup: $count packages with their dependencies; this takes about" \
         "$(((count * 6 + 599) / 600)) min on two cores (more on a slow network)" >&2
    echo "setup: [2/3] ($(clock_text $((SECONDS - started)))) downloading $downloads packages ($megabytes MB)" >&2
    # shellcheck disable=SC2086
    if ! "${apt[@]}" install -y --no-install-recommends --download-only $missing 2>&1 |
        apt_progress "$log" "Get:" "downloaded" "$downloads" "$started"; then
        echo "setup: downloading the packages failed:" >&2
        tail -n 20 "$log" >&2
        return 1
    fi
    echo "setup: [3/3] ($(clock_text $((SECONDS - started)))) unpacking and setting up $count packages" >&2
    # shellcheck disable=SC2086
    if ! "${apt[@]}" install -y --no-install-recommends $missing 2>&1 |
        apt_progress "$log" "Setting up " "set up" "$count" "$started"; then
        echo "setup: installing the packages failed:" >&2
        tail -n 20 "$log" >&2
        return 1
    fi
    echo "setup: installed $count packages in $(clock_text $((SECONDS - started)))" >&2
    rm -f "$log"
}

build_project() {
    if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release ${CMAKE_EXTRA_ARGS:-} >/dev/null
    fi
    # BUILD_TARGETS (space-separated) builds only those instead of everything.
    local targets=()
    if [ -n "${BUILD_TARGETS:-}" ]; then
        read -r -a targets <<<"$BUILD_TARGETS"
        targets=(--target "${targets[@]}")
    fi
    cmake --build "$BUILD_DIR" -j "$(nproc)" "${targets[@]}" -- --no-print-directory
}

install_packages
build_project

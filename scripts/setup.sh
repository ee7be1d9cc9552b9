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
    libpng-dev lib3ds-dev libsdl2-mixer-dev libmp3lame-dev
    libgtest-dev libbenchmark-dev
    ffmpeg xvfb xdotool x11-utils xauth strace libxfixes-dev
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

install_packages() {
    if ! command -v apt-get >/dev/null 2>&1 || ! command -v dpkg-query >/dev/null 2>&1; then
        echo "setup: no apt-get here. The build needs: cmake, a C++17 compiler, pkg-config," \
             "freeglut, GLU, EGL (Mesa), libpng, lib3ds 1.x, SDL2_mixer, libmp3lame," \
             "GoogleTest, Google Benchmark; the tests also need Xvfb, xdotool and ffmpeg." >&2
        echo "setup: going on with what is installed." >&2
        return 0
    fi
    local missing
    missing="$(missing_packages)"
    if [ -z "$missing" ]; then
        return 0
    fi
    echo "setup: installing $missing" >&2
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    # shellcheck disable=SC2086
    $sudo apt-get update -q >/dev/null
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing >/dev/null
}

build_project() {
    if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
        cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release ${CMAKE_EXTRA_ARGS:-} >/dev/null
    fi
    cmake --build "$BUILD_DIR" -j "$(nproc)" -- --no-print-directory
}

install_packages
build_project

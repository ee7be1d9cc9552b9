#!/usr/bin/env bash
# apt-install-check.sh [PACKAGE.deb]: installs the Debian package with apt, without its
# recommendations, on a clean Debian 12 root made by debootstrap, and runs it there: the
# installed demo from another folder until its window shows a frame, quit with q (status 1),
# and the installed capture tool for one moment. That proves the package's dependencies are
# complete. Without an argument the package is built from build/ with cpack.
#
# Needs root, debootstrap and Debian's archive through the mirror apt uses here. Exits 77
# (skipped, with the reason) when one is missing. The debootstrapped base root is kept between
# runs as a tarball, and the .deb files apt fetches for it, in ~/.cache/quorvex-rootfs
# (QUORVEX_ROOTFS_CACHE); every run unpacks a fresh copy of the root and removes it at the end.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
CACHE="${QUORVEX_ROOTFS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quorvex-rootfs}"
SUITE=bookworm

say() { echo "apt-install-check: $*" >&2; }
skip() {
    say "skipped: $*"
    exit 77
}

# It downloads some 180 packages and takes minutes, so the test suite asks for it by name.
[ -n "${QUORVEX_APT_CHECK:-}" ] || [ "$#" -gt 0 ] ||
    skip "set QUORVEX_APT_CHECK=1 to run it (it downloads a Debian 12 root and takes minutes)"
[ "$(id -u)" -eq 0 ] || skip "needs root (debootstrap and chroot)"
command -v debootstrap >/dev/null || skip "debootstrap is not installed (apt-get install debootstrap)"
for tool in Xvfb xdotool ffmpeg; do
    command -v "$tool" >/dev/null || skip "$tool is not installed"
done
# The Debian mirror apt is configured with here, for the suite.
MIRROR="${QUORVEX_DEBIAN_MIRROR:-$(apt-cache policy 2>/dev/null |
    awk -v s="$SUITE/main" '$3 == s && $2 ~ /^https?:/ { print $2; exit }')}"
[ -n "$MIRROR" ] || skip "apt has no source for $SUITE main to debootstrap from"

WORK="$(mktemp -d "${TMPDIR:-/tmp}/quorvex-apt-check.XXXXXX")"
CHROOT="$WORK/root"
cleanup() {
    local m
    # The demo first: it still writes its logs into $WORK until it has ended.
    if [ -n "${DEMO_PID:-}" ]; then
        kill "$DEMO_PID" 2>/dev/null || true
        wait "$DEMO_PID" 2>/dev/null || true
    fi
    for m in var/cache/apt/archives tmp/.X11-unix dev proc; do
        if mountpoint -q "$CHROOT/$m" 2>/dev/null; then
            umount -l "$CHROOT/$m" || true
        fi
    done
    rm -rf "$WORK"
}
trap cleanup EXIT

DEB="${1:-}"
if [ -z "$DEB" ]; then
    say "building the package from $BUILD_DIR"
    cpack --config "$BUILD_DIR/CPackConfig.cmake" -G DEB -B "$WORK/cpack" >/dev/null
    DEB="$(ls "$WORK"/cpack/*.deb)"
fi
[ -f "$DEB" ] || { say "no package at $DEB"; exit 1; }

BASE="$CACHE/$SUITE-minbase.tar"
if [ ! -f "$BASE" ]; then
    say "making a clean $SUITE root with debootstrap from $MIRROR (once; kept in $BASE)"
    mkdir -p "$CACHE" "$WORK/base"
    if ! debootstrap --variant=minbase "$SUITE" "$WORK/base" "$MIRROR" >"$WORK/debootstrap.log" 2>&1; then
        tail -5 "$WORK/debootstrap.log" >&2
        skip "debootstrap could not make a root from $MIRROR (see above)"
    fi
    tar -C "$WORK/base" -cf "$BASE.partial" . && mv "$BASE.partial" "$BASE"
    rm -rf "$WORK/base"
fi
mkdir -p "$CHROOT"
tar -C "$CHROOT" -xf "$BASE"
cp /etc/resolv.conf "$CHROOT/etc/resolv.conf"
mount -t proc proc "$CHROOT/proc"
mount --bind /dev "$CHROOT/dev"
mkdir -p "$CHROOT/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$CHROOT/tmp/.X11-unix"
mkdir -p "$CACHE/archives/partial"
mount --bind "$CACHE/archives" "$CHROOT/var/cache/apt/archives"
cp "$DEB" "$CHROOT/tmp/quorvex.deb"

say "apt install ./$(basename "$DEB") on the clean root"
in_root() { chroot "$CHROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"; }
unreachable='Failed to fetch|Temporary failure|Could not resolve|Unable to connect|Connection failed'
if ! in_root apt-get update -q >"$WORK/apt.log" 2>&1; then
    tail -5 "$WORK/apt.log" >&2
    skip "apt-get update failed in the root: Debian's archive is not reachable"
fi
if ! in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    /tmp/quorvex.deb >>"$WORK/apt.log" 2>&1; then
    tail -20 "$WORK/apt.log" >&2
    grep -Eq "$unreachable" "$WORK/apt.log" && skip "apt could not download the dependencies"
    say "FAILED: apt could not install the package"
    exit 1
fi
say "installed with $(in_root dpkg-query -W | wc -l) packages in the root"

source "$ROOT/scripts/headless.sh"
unset DISPLAY
start_headless_display
trap 'kill "$HEADLESS_XVFB_PID" 2>/dev/null; cleanup' EXIT
mkdir -p "$CHROOT/root/elsewhere"
chroot "$CHROOT" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/root DISPLAY="$DISPLAY" \
    SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 sh -c 'cd /root/elsewhere && exec quorvex' \
    >"$WORK/demo.out" 2>"$WORK/demo.err" &
DEMO_PID=$!
WINDOW="$(timeout 60 xdotool search --sync --onlyvisible --pid "$DEMO_PID" --name 'Quorvex' 2>/dev/null | head -n1 || true)"
[ -n "$WINDOW" ] || { cat "$WORK/demo.err" >&2; say "FAILED: the installed demo showed no window"; exit 1; }
drawn=""
for _ in $(seq 1 60); do
    # Any pixel that is not black: the demo clears to black and every frame draws the scene.
    lit="$(ffmpeg -loglevel error -f x11grab -window_id "$WINDOW" -i "$DISPLAY" -frames:v 1 \
        -f rawvideo -pix_fmt gray - 2>/dev/null | tr -d '\000' | wc -c || true)"
    if [ "${lit:-0}" -gt 0 ]; then
        drawn=yes
        break
    fi
    sleep 1
done
[ -n "$drawn" ] || { say "FAILED: the installed demo drew no frame"; exit 1; }
xdotool key --window "$WINDOW" q 2>/dev/null
status=0
wait "$DEMO_PID" || status=$?
DEMO_PID=""
[ "$status" -eq 1 ] || { cat "$WORK/demo.err" >&2; say "FAILED: the demo ended with status $status after q, not 1"; exit 1; }

in_root sh -c 'cd /root/elsewhere && quorvex-capture --quiet --at 1 --size 64x64 --out moment/' \
    >"$WORK/capture.log" 2>&1 || { cat "$WORK/capture.log" >&2; say "FAILED: the installed capture tool"; exit 1; }
[ -s "$CHROOT/root/elsewhere/moment/t0001.000.png" ] || { say "FAILED: no moment written"; exit 1; }
say "passed: apt installed the package on a clean $SUITE root; the demo drew its first frame and quit with status 1 on q; the capture tool wrote a moment"

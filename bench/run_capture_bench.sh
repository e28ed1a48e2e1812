#!/bin/sh
# Screen capture (BitBlt from DISPLAY into a bottom-up RGB565 DIB section) on Xvfb at depth 16 and
# 24, portrait 272x480 and landscape 480x272, and on the headless screen: median time per call.
#   bench/run_capture_bench.sh [BUILD_DIR] [RUNS]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-bench}
runs=${2:-2000}
if [ ! -x "$build/bench/capture_bench" ]; then
    "$root/scripts/setup.sh"
    "$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DBREVANTA_BENCH=ON -DBREVANTA_TESTS=OFF
fi
xvfb=""
trap 'if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi' EXIT
for depth in 16 24; do
    for size in 272x480 480x272; do
        number=40
        while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
        Xvfb ":$number" -screen 0 "${size}x$depth" -nolisten tcp &
        xvfb=$!
        for _ in $(seq 100); do
            DISPLAY=":$number" xdpyinfo >/dev/null 2>&1 && break
            sleep 0.05
        done
        printf 'x11 depth %s: ' "$depth"
        CE_DISPLAY=x11 DISPLAY=":$number" "$build/bench/capture_bench" "$runs"
        kill "$xvfb"
        wait "$xvfb" 2>/dev/null || true
        xvfb=""
    done
done
for size in 272x480 480x272; do
    printf 'headless: '
    CE_DISPLAY=headless CE_SCREEN=$size "$build/bench/capture_bench" "$runs"
done

#!/bin/sh
# What a small ARM core will feel, counted in instructions with callgrind (the same count on any
# machine for the same binary and inputs):
#   - one tap on a keypad key of BrevantaClient, from the input event to the new pixels
#     presented: the whole headless program counted with PAIRS digit-and-backspace pairs and with
#     none, the difference divided by the taps;
#   - one Tavrelin update step at 272x480 (capture, compare the 40 bands, build the payload)
#     with no change, one band changed and the whole screen changed: on Xvfb at 16 and 24 bits
#     (the X server's copy into shared memory is the server's, not counted), and from a DRM
#     scanout in memory (the kernel's lookup and mapping are not counted either).
# bench/run_instruction_bench.sh [PAIRS]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
pairs=${1:-20}
if [ "${BREVANTA_BENCH_INSIDE:-}" != 1 ]; then
    "$root/scripts/setup.sh"
    command -v valgrind >/dev/null || apt-get install -y --no-install-recommends valgrind
    "$root/scripts/build.sh" "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DBREVANTA_BENCH=ON \
        -DBREVANTA_TESTS=OFF
    # The client broadcasts: it runs in a network namespace of its own.
    BREVANTA_BENCH_INSIDE=1 exec unshare --net "$0" "$@"
fi
ip link set lo up
work=$(mktemp -d /tmp/brevanta-instruction-bench-XXXXXX)
cleanup() {
    [ -z "${xvfb:-}" ] || { kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; }
    rm -rf "$work"
}
trap cleanup EXIT

# The instructions callgrind collected in one run: the "summary:" line of its output file.
collected() {
    awk '/^summary:/ {print $2}' "$1"
}

client_run() {
    dir="$work/client-$1"
    mkdir "$dir"
    cp "$root/build-bench/client/BrevantaClient" "$dir/"
    CE_DISPLAY=headless CE_SCREEN=272x480 CE_TRACE_FRAMES=1 CE_HEADLESS_CONTROL="$dir/control" \
        valgrind --tool=callgrind --callgrind-out-file="$dir/out" "$dir/BrevantaClient" \
        2>"$dir/stderr" &
    client=$!
    /usr/bin/python3 "$root/bench/keypad_taps.py" "$dir/control" "$dir/stderr" "$1"
    wait "$client"
    collected "$dir/out"
}
none=$(client_run 0)
some=$(client_run "$pairs")
echo "BrevantaClient, one keypad tap to its pixels: $(((some - none) / (2 * pairs))) instructions" \
    "($((2 * pairs)) taps; start to quit without taps: $none)"

# The X server's screen at 16 bits (a 16-bit panel) and at 24 (the device image's Xorg), then the
# same step reading a DRM scanout's XRGB8888 as the kernel's remote access does.
number=40
while [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
steps=50
for depth in 16 24; do
    Xvfb ":$number" -screen 0 "272x480x$depth" -nolisten tcp &
    xvfb=$!
    deadline=$(($(date +%s) + 30))
    until DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; do
        [ "$(date +%s)" -lt "$deadline" ] || { echo "Xvfb did not start" >&2; exit 1; }
        sleep 0.05
    done
    for case in "no change" "one band" "full screen"; do
        out="$work/update-$depth-$(echo "$case" | tr ' ' -)"
        DISPLAY=":$number" valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out" \
            "$root/build-bench/bench/update_step_bench" "$steps" "$case" >/dev/null 2>&1
        echo "Tavrelin update step at 272x480 from X ($depth bits), $case:" \
            "$(($(collected "$out") / steps)) instructions"
    done
    kill "$xvfb"
    wait "$xvfb" 2>/dev/null || true
    xvfb=""
done
for case in "no change" "one band" "full screen"; do
    out="$work/scanout-$(echo "$case" | tr ' ' -)"
    valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file="$out" \
        "$root/build-bench/bench/scanout_step_bench" "$steps" "$case" >/dev/null 2>&1
    echo "Tavrelin update step at 272x480 from a DRM scanout (XRGB8888), $case:" \
        "$(($(collected "$out") / steps)) instructions"
done

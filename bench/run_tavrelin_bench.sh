#!/bin/sh
# Tavrelin on Xvfb at 272x480x16 and 480x272x24, in a network namespace of its own:
# - the update step (capture, compare, payload) for no change, one band and the whole screen;
# - the time from a screen change to the frame that shows it, through Tavrelin and, for
#   comparison, through x11vnc on the same display with an RFB client of the benchmark's own;
# - on 272x480, the time from a tap sent by the viewer to the frame that shows its effect, with
#   BrevantaClient's keypad as the screen being driven, polling every 1 ms and every 40 ms;
# - Tavrelin's resident memory afterwards.
#   RUNS=200 bench/run_tavrelin_bench.sh
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench
runs=${RUNS:-200}
if [ "${BREVANTA_BENCH_INSIDE:-}" != 1 ]; then
    "$root/scripts/setup.sh"
    if ! command -v x11vnc >/dev/null 2>&1; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends x11vnc
    fi
    "$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DBREVANTA_BENCH=ON -DBREVANTA_TESTS=OFF
    # BrevantaClient broadcasts every second: the namespace keeps that to itself.
    BREVANTA_BENCH_INSIDE=1 exec unshare --net "$0" "$@"
fi
ip link set lo up
work=$(mktemp -d /tmp/tavrelin-bench-XXXXXX)
pids=""
stop_all() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
    pids=""
}
trap 'stop_all; rm -rf "$work"' EXIT

listening() { grep -q ':5A5E 00000000:0000 0A' /proc/net/tcp; }
wait_for() {
    for _ in $(seq 200); do "$@" && return 0; sleep 0.05; done
    echo "gave up waiting for: $*" >&2
    return 1
}

for screen in 272x480x16 480x272x24; do
    number=40
    while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
    export DISPLAY=":$number" CE_DISPLAY=x11 CE_OBJECTS_DIR="$work/objects-$number"
    Xvfb "$DISPLAY" -screen 0 "$screen" -nolisten tcp &
    pids="$pids $!"
    wait_for xdpyinfo >/dev/null 2>&1
    echo "== Xvfb $screen"
    echo "update step, no viewer:"
    "$build/bench/update_step_bench" 1000

    "$build/server/Tavrelin" &
    tavrelin=$!
    pids="$pids $tavrelin"
    wait_for listening
    printf 'change to frame, Tavrelin: '
    "$build/bench/remote_display_bench" "$DISPLAY" "$runs" tavrelin 23134

    x11vnc -display "$DISPLAY" -rfbport 5977 -localhost -forever -shared -nopw -quiet \
        -o "$work/x11vnc.log" >/dev/null 2>&1 &
    pids="$pids $!"
    wait_for grep -q ':1759 00000000:0000 0A' /proc/net/tcp
    printf 'change to frame, x11vnc:   '
    "$build/bench/remote_display_bench" "$DISPLAY" "$runs" rfb 5977

    if [ "$screen" = 272x480x16 ]; then
        mkdir -p "$work/client"
        cp "$build/client/BrevantaClient" "$work/client/"
        "$work/client/BrevantaClient" &
        pids="$pids $!"
        # IP SETUP opens the keypad; then taps alternate between the key "1" and backspace,
        # each of which changes the edit box.
        viewer="$build/tools/tavrelin-viewer/tavrelin-viewer --quiet-frames"
        $viewer --script "wait-frame; wait-idle 500 10000; tap 134 210; wait-update 3000" >/dev/null
        for poll in 40 1; do
            printf 'tap to frame, viewer polling every %s ms: ' "$poll"
            $viewer --poll-ms "$poll" --script "wait-frame; wait-idle 300 10000; tap-latency $runs 56 328 237 91; stats" |
                grep -E '^(latency|stats)' | tr '\n' ' '
            echo
        done
    fi
    printf 'Tavrelin resident memory: '
    grep VmRSS "/proc/$tavrelin/status" | tr -s ' \t' ' '
    stop_all
done

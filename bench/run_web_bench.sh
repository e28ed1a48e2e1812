#!/bin/sh
# tavrelin-web beside the usual web stack for remote screens (x11vnc + websockify + noVNC), in
# headless Chromium, on one Xvfb screen of 272x480x16, all in a network namespace of its own:
# - screen change to pixels on the canvas, for several polling rates of the gateway, with
#   Tavrelin's CPU while watched at each, and the same through noVNC;
# - click on the canvas to its effect on the canvas (BrevantaClient's keypad), both stacks;
# - the gateway's traffic to the device with one and ten tabs, its memory with ten tabs, its
#   CPU with ten tabs and with none;
# - where a click's time goes below the browser: the keypad's redraw, the gateway reached by a
#   plain WebSocket client, and Tavrelin asked without pause.
#   ROUNDS=100 bench/run_web_bench.sh
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-bench
rounds=${ROUNDS:-100}
if [ "${BREVANTA_BENCH_INSIDE:-}" != 1 ]; then
    "$root/scripts/setup.sh"
    missing=""
    for package in x11vnc websockify novnc python3-xlib; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing="$missing $package"
    done
    if [ -n "$missing" ]; then
        # shellcheck disable=SC2086
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends $missing
    fi
    "$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DBREVANTA_TESTS=OFF
    # BrevantaClient broadcasts every second and Chromium reaches for the internet: the
    # namespace keeps both to itself.
    BREVANTA_BENCH_INSIDE=1 exec unshare --net "$0" "$@"
fi
ip link set lo up
number=40
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 272x480x16 -nolisten tcp &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 100); do DISPLAY=":$number" xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
# Debian's own Python has selenium and Xlib.
/usr/bin/python3 "$root/bench/web_bench.py" "$build" ":$number" "$rounds"

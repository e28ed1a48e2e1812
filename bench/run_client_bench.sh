#!/bin/sh
# Time from start to the first painted frame, resident memory and idle CPU of BrevantaClient,
# headless and on Xvfb at 272x480x16, in a network namespace of its own (the client broadcasts).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-20}
if [ "${BREVANTA_BENCH_INSIDE:-}" != 1 ]; then
    "$root/scripts/setup.sh"
    "$root/scripts/build.sh" "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DBREVANTA_BENCH=ON -DBREVANTA_TESTS=OFF
    BREVANTA_BENCH_INSIDE=1 exec unshare --net "$0" "$@"
fi
ip link set lo up
work=$(mktemp -d /tmp/brevanta-client-bench-XXXXXX)
cp "$root/build-bench/client/BrevantaClient" "$work/"
number=40
while [ -e "/tmp/.X11-unix/X$number" ]; do number=$((number + 1)); done
Xvfb ":$number" -screen 0 272x480x16 -nolisten tcp &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; wait $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do
    DISPLAY=":$number" xdpyinfo >/dev/null 2>&1 && break
    sleep 0.05
done
echo "== headless"
"$root/build-bench/bench/client_bench" "$work/BrevantaClient" "$runs"
echo "== x11 (Xvfb 272x480x16)"
"$root/build-bench/bench/client_bench" "$work/BrevantaClient" "$runs" ":$number"

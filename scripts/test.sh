#!/bin/sh
# Sets up, builds and runs every test three times: a normal build, one with AddressSanitizer and
# UndefinedBehaviorSanitizer, and one with ThreadSanitizer; then runs each fuzz target for 30
# seconds. The network tests and the fuzz runs need root (they make network namespaces).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# Each step says when it starts, so that a slow run shows where its time went.
started=$(date +%s)
step() {
    echo "== $1 (at $(($(date +%s) - started)) s)"
}
step setup
./scripts/setup.sh

# One test more than processors: the tests that wait out a timeout start first and leave the
# processors to the others meanwhile.
jobs=$(($(nproc) + 1))

# While one tree's tests run, the next tree builds behind them at the lowest priority: it takes
# only the processor time the tests leave idle (they mostly wait), so they run as on an idle
# machine. Its output goes to a log, shown if it fails.
behind=""
behind_log=""
build_behind() {
    log=$1
    shift
    behind_log=$log
    nice -n 19 "$@" >"$log" 2>&1 &
    behind=$!
}
wait_behind() {
    status=0
    wait "$behind" || status=$?
    behind=""
    if [ "$status" -ne 0 ]; then
        cat "$behind_log"
        exit "$status"
    fi
}
logs=$(mktemp -d)
trap '[ -z "$behind" ] || kill "$behind" 2>/dev/null || true; rm -rf "$logs"' EXIT

asan_options="-DCMAKE_BUILD_TYPE=Debug -DBREVANTA_SANITIZE=address,undefined"
# Line tables and -O1 are enough for the thread checker's reports, and build in half the time.
tsan_flags="-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"

step "plain build and tests"
./scripts/build.sh build
# shellcheck disable=SC2086
build_behind "$logs/asan" ./scripts/build.sh build-asan $asan_options
ctest --test-dir build --output-on-failure -j "$jobs"

step "address and undefined-behaviour checked build and tests"
wait_behind
build_behind "$logs/tsan" ./scripts/build.sh build-tsan -DBREVANTA_SANITIZE=thread "$tsan_flags"
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j "$jobs"

step "thread-checked build and tests"
wait_behind
build_behind "$logs/fuzz" ./scripts/fuzz.sh --build
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j "$jobs"

step fuzzing
wait_behind
./scripts/fuzz.sh 30
step done

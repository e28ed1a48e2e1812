#!/bin/sh
# Runs one test binary again and again beside busy loops, to bring out rare orderings of threads
# and processes. Keeps the output of each failed run and ends with the count.
#   scripts/repeat.sh RUNS TEST_BINARY [GTEST_FILTER]
# BREVANTA_REPEAT_LOAD sets the number of busy loops (default: one more than processors).
set -eu
if [ $# -lt 2 ]; then
    echo "usage: $0 RUNS TEST_BINARY [GTEST_FILTER]" >&2
    exit 2
fi
runs=$1
binary=$2
filter=${3:-*}
load=${BREVANTA_REPEAT_LOAD:-$(($(nproc) + 1))}
keep=$(mktemp -d)
busy=""
stop_load() {
    # shellcheck disable=SC2086
    [ -z "$busy" ] || kill $busy 2>/dev/null || true
}
trap stop_load EXIT
i=0
while [ "$i" -lt "$load" ]; do
    sh -c 'while :; do :; done' &
    busy="$busy $!"
    i=$((i + 1))
done
failed=0
run=1
while [ "$run" -le "$runs" ]; do
    if ! "$binary" --gtest_filter="$filter" >"$keep/run" 2>&1; then
        failed=$((failed + 1))
        mv "$keep/run" "$keep/failed-$run.txt"
        echo "run $run failed: $keep/failed-$run.txt"
    fi
    run=$((run + 1))
done
rm -f "$keep/run"
rmdir "$keep" 2>/dev/null || true
echo "$failed of $runs runs failed under $load busy loops"
[ "$failed" -eq 0 ]

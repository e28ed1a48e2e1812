#!/bin/sh
# Builds the libFuzzer targets with clang++ and runs each for SECONDS (default 30) on its seed
# corpus, inside a private network namespace with only loopback up. Prints each target's
# executions and coverage; fails when a target finds a crash, a leak or a hang. Needs root (for
# the namespace). Inputs that fail are kept in build-fuzz/artifacts/<target>/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-30}
dir=${BREVANTA_FUZZ_DIR:-build-fuzz}
targets="input_parser transfer_response frame_decoder request_reader server_address sync_record
    web_request"

# -O1 with line tables is what libFuzzer's reports need, and builds faster than -O2 -g.
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DBREVANTA_WERROR=ON -DBREVANTA_FUZZ=ON \
    -DBREVANTA_TESTS=OFF -DCMAKE_UNITY_BUILD=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG" >/dev/null
build_targets=""
for target in $targets; do
    build_targets="$build_targets fuzz_$target"
done
# shellcheck disable=SC2086
cmake --build "$dir" -j 2 --target $build_targets

# The targets write a file per run: their scratch folders live in memory where it exists.
scratch=$(mktemp -d /dev/shm/brevanta-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Runs one target and leaves a line of its figures, or of its failure, in $dir/fuzz_TARGET.result.
run_target() {
    target=$1
    work="$dir/corpus/$target"
    artifacts="$dir/artifacts/$target"
    log="$dir/fuzz_$target.log"
    mkdir -p "$work" "$artifacts"
    # New inputs go to the working corpus; the seeds and the committed crashes are only read.
    status=0
    TMPDIR="$scratch" unshare --net sh -c 'ip link set lo up && exec "$@"' fuzz \
        "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "$work" "fuzz/corpus/$target" $(ls -d "fuzz/regressions/$target" 2>/dev/null) \
        >"$log" 2>&1 || status=$?
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    coverage=$(grep -E '#[0-9]+.*cov: ' "$log" | tail -n 1 |
        sed -E 's/.*(cov: [0-9]+) (ft: [0-9]+).*/\1 \2/')
    if [ "$status" -eq 0 ]; then
        echo "fuzz_$target: ${executions:-?} executions, ${coverage:-no coverage line}"
    else
        echo "fuzz_$target: FAILED (exit $status) after ${executions:-?} executions; log $log"
        grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | head -n 5 || true
    fi >"$dir/fuzz_$target.result"
}

# As many targets at a time as there are processors.
parallel=$(nproc)
running=0
for target in $targets; do
    run_target "$target" &
    running=$((running + 1))
    if [ "$running" -ge "$parallel" ]; then
        wait
        running=0
    fi
done
wait

failed=""
for target in $targets; do
    cat "$dir/fuzz_$target.result"
    if grep -q FAILED "$dir/fuzz_$target.result"; then
        failed="$failed $target"
    fi
done

if [ -n "$failed" ]; then
    echo "fuzz targets that failed:$failed"
    exit 1
fi

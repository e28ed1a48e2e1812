#!/bin/sh
# Sets up, builds and runs every test three times: a normal build, one with AddressSanitizer and
# UndefinedBehaviorSanitizer, and one with ThreadSanitizer; then runs each fuzz target for 30
# seconds. The network tests and the fuzz runs need root (they make network namespaces).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
./scripts/setup.sh

# One test more than processors: the tests that wait out a timeout start first and leave the
# processors to the others meanwhile.
jobs=$(($(nproc) + 1))
./scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$jobs"

./scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DBREVANTA_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j "$jobs"

# Line tables and -O1 are enough for the thread checker's reports, and build in half the time.
./scripts/build.sh build-tsan -DBREVANTA_SANITIZE=thread \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j "$jobs"

./scripts/fuzz.sh 30

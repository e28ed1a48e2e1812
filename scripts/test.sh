#!/bin/sh
# Sets up, builds and runs every test: a normal build, the same for arm64 and armhf under QEMU's
# user-mode emulation, one with AddressSanitizer and UndefinedBehaviorSanitizer, and one with
# ThreadSanitizer; boots the arm64 device images (with X and without a display server) on an
# emulated board and tests them there; then runs each fuzz target for 30 seconds. The network
# tests, the devices and the fuzz runs need root (they make network namespaces).
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
# Each target's sources compile in batches of a few files (a unity build): the three trees build
# in two thirds of the time. A name that two files of one target keep to themselves must then
# differ between them.
batches=-DCMAKE_UNITY_BUILD=ON
step "plain build and tests"
./scripts/build.sh build $batches
ctest --test-dir build --output-on-failure -j "$jobs"

# The device's processors: the same tree cross-built for 64- and 32-bit ARM, its tests run
# through QEMU's user-mode emulation (tests/README.md lists what cannot run there).
step "ARM setup"
./scripts/setup-cross.sh arm64 armhf
for arch in arm64 armhf; do
    step "$arch build and tests under emulation"
    ./scripts/build.sh "build-$arch" $batches "-DCMAKE_TOOLCHAIN_FILE=$root/cmake/toolchain-$arch.cmake"
    ctest --test-dir "build-$arch" --output-on-failure -j "$jobs"
done

# The emulated device, booted from its image under a real kernel (tests/device/), for arm64 by
# default; BREVANTA_DEVICE_TEST="arm64 armhf" takes both, "" none. Its packages and image are
# made in the background while the sanitizer builds run: the image is mostly the emulated
# installer's waiting on one processor and on the mirror.
devices=${BREVANTA_DEVICE_TEST-arm64}
images=""
if [ -n "$devices" ]; then
    ./scripts/setup-device.sh
    mkdir -p build-device
    (
        for arch in $devices; do
            ./scripts/package.sh --arch "$arch" $batches && ./scripts/device-image.sh "$arch" &&
                ./scripts/device-image.sh "$arch" --display kms
        done
    ) > build-device/images.log 2>&1 &
    images=$!
fi

step "address and undefined-behaviour checked build and tests"
./scripts/build.sh build-asan $batches -DCMAKE_BUILD_TYPE=Debug -DBREVANTA_SANITIZE=address,undefined
ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan --output-on-failure -j "$jobs"

step "thread-checked build and tests"
# Line tables and -O1 are enough for the thread checker's reports, and build in half the time.
./scripts/build.sh build-tsan $batches -DBREVANTA_SANITIZE=thread \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1 -DNDEBUG"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j "$jobs"

if [ -n "$images" ]; then
    step "device images of $devices"
    wait "$images" || { tail -n 60 build-device/images.log; exit 1; }
    grep "^device image" build-device/images.log
    for arch in $devices; do
        step "$arch device system test"
        DEVICE_VM_SERVER="$root/build/tools/brevanta-server/brevanta-server" \
            /usr/bin/python3 tests/device/boot_test.py "$arch"
        step "$arch device: Tavrelin through the kernel, with and without a display server"
        DEVICE_VM_SERVER="$root/build/tools/brevanta-server/brevanta-server" \
            /usr/bin/python3 tests/device/kernel_remote_test.py "$arch"
    done
fi

step fuzzing
./scripts/fuzz.sh 30
step done

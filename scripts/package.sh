#!/bin/sh
# Builds the Debian packages: sets up (apt-get), builds the programs with Debian's hardening
# flags in their own tree, and makes the packages with CPack. scripts/package.sh [BUILD_DIR]
# (default build-package); the packages land in BUILD_DIR/packages.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
./scripts/setup.sh
dir=${1:-build-package}

cflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CFLAGS)"
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
    -DBREVANTA_TESTS=OFF "-DCMAKE_C_FLAGS=$cflags" "-DCMAKE_CXX_FLAGS=$cxxflags" \
    "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)" "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
rm -f "$dir"/packages/*.deb
cpack --config "$dir/CPackConfig.cmake" -B "$dir/packages" >/dev/null
ls "$dir"/packages/*.deb

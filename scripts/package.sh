#!/bin/sh
# Builds the Debian packages: sets up (apt-get), builds the programs with Debian's hardening
# flags in a tree of their own per architecture, and makes the packages with CPack.
#
#     scripts/package.sh [--arch amd64|arm64|armhf|all] [cmake options...]
#
# The packages of ARCH (amd64 by default) land in build-package/ARCH/packages; BREVANTA_PACKAGE_DIR
# moves build-package elsewhere.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
arches=amd64
if [ "${1:-}" = --arch ]; then
    [ $# -ge 2 ] || { echo "package.sh: --arch needs amd64, arm64, armhf or all" >&2; exit 2; }
    arches=$2
    shift 2
fi
[ "$arches" = all ] && arches="amd64 arm64 armhf"
cross=""
for arch in $arches; do
    case $arch in
        amd64) ;;
        arm64 | armhf) cross="$cross $arch" ;;
        *) echo "package.sh: unknown architecture $arch (amd64, arm64, armhf or all)" >&2; exit 2 ;;
    esac
done
if [ -n "$cross" ]; then
    # shellcheck disable=SC2086
    ./scripts/setup-cross.sh $cross
else
    ./scripts/setup.sh
fi

top=${BREVANTA_PACKAGE_DIR:-build-package}
for arch in $arches; do
    dir=$top/$arch
    toolchain=""
    [ "$arch" = amd64 ] || toolchain="-DCMAKE_TOOLCHAIN_FILE=$root/cmake/toolchain-$arch.cmake"
    # Debian's hardening flags, as dpkg-buildpackage would give them for that architecture.
    flags() { DEB_HOST_ARCH=$arch dpkg-buildflags --get "$1"; }
    cflags="$(flags CPPFLAGS) $(flags CFLAGS)"
    cxxflags="$(flags CPPFLAGS) $(flags CXXFLAGS)"
    # shellcheck disable=SC2086
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
        -DBREVANTA_TESTS=OFF $toolchain "-DCMAKE_C_FLAGS=$cflags" "-DCMAKE_CXX_FLAGS=$cxxflags" \
        "-DCMAKE_EXE_LINKER_FLAGS=$(flags LDFLAGS)" "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
    rm -f "$dir"/packages/*.deb
    cpack --config "$dir/CPackConfig.cmake" -B "$dir/packages" >/dev/null
    ls "$dir"/packages/*.deb
done

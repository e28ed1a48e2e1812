#!/bin/sh
# Installs what cross builds for ARM need, from Debian's packages: scripts/setup-cross.sh ARCH...
# (arm64, armhf). Debian's cross compilers, the target's own -dev packages beside the host's
# (multiarch), and QEMU's user-mode emulation, registered with the kernel so that the target's
# programs run here as if they were the host's (the tests start them as children).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi

# The target's libraries the tree links (the host's list in setup.sh, for one architecture).
libraries="libfreetype-dev libfontconfig1-dev libx11-dev libxext-dev libxtst-dev libxrandr-dev
    libdrm-dev libinput-dev libudev-dev libseat-dev
    zlib1g-dev libpng-dev libgtest-dev libgmock-dev libboost-dev libssl-dev"

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

missing=""
for arch in "$@"; do
    case $arch in
        arm64) triplet=aarch64-linux-gnu ;;
        armhf) triplet=arm-linux-gnueabihf ;;
        *) echo "setup-cross: unknown architecture $arch (arm64 or armhf)" >&2; exit 2 ;;
    esac
    if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        $sudo dpkg --add-architecture "$arch"
    fi
    for package in "crossbuild-essential-$arch" $libraries; do
        case $package in crossbuild-*) name=$package ;; *) name=$package:$arch ;; esac
        installed "$name" || missing="$missing $name"
    done
    [ -x "/usr/bin/$triplet-g++" ] || missing="$missing crossbuild-essential-$arch"
done
installed qemu-user-static || missing="$missing qemu-user-static"

if [ -n "$missing" ]; then
    echo "Installing:$missing"
    $sudo apt-get update || echo "setup-cross: some package lists could not be refreshed"
    # A library installed for two architectures must be of one version in both. When a
    # foreign architecture's security index could not be fetched (a mirror mid-sync), the
    # host's newest versions may exist for the host alone: both then take the release's, which
    # may take back a host library that came from the security suite (the kernel's headers of
    # libc6-dev, PCRE under GLib under libinput).
    pin=$(mktemp)
    trap 'rm -f "$pin"' EXIT
    : >"$pin"
    for arch in "$@"; do
        if ! ls /var/lib/apt/lists/*security*binary-"${arch}"_Packages* >/dev/null 2>&1; then
            printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n\n' >"$pin"
            printf 'Package: *\nPin: release l=Debian\nPin-Priority: 1001\n' >>"$pin"
        fi
    done
    if [ -s "$pin" ]; then
        echo "setup-cross: no security index for every architecture; using the release's versions"
    fi
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o Dir::Etc::Preferences="$pin" install -y \
        --no-install-recommends --allow-downgrades $missing
fi

# The kernel runs the target's programs through QEMU once its formats are registered (the
# registration is the kernel's, so it may be there already, or lost with a reboot).
if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    $sudo mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
fi
for arch in "$@"; do
    case $arch in arm64) format=qemu-aarch64 ;; armhf) format=qemu-arm ;; esac
    if [ ! -e "/proc/sys/fs/binfmt_misc/$format" ]; then
        $sudo /usr/lib/systemd/systemd-binfmt "/usr/lib/binfmt.d/$format.conf"
    fi
done

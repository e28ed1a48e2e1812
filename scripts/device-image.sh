#!/bin/bash
# Builds the image of a small touch device (Debian 12 and our packages of ARCH) that boots on
# QEMU's "virt" board:
#
#   build-device/ARCH/vmlinuz, initrd.img   Debian's kernel and an initramfs for virtio-blk
#   build-device/ARCH/rootfs.img            raw ext4, booted with root=/dev/vda console=ttyAMA0
#
# Usage: scripts/device-image.sh arm64|armhf [--display x11|kms]
#   --display kms         the device without a display server (in build-device/ARCH-kms): the
#                         client on the kernel's display through the seat (seatd), Tavrelin
#                         headless with the screen and pointer from the kernel; both started by
#                         the packages' units
#   DEVICE_PACKAGES=DIR   folder with brevantaclient_*_ARCH.deb and tavrelin_*_ARCH.deb
#                         (default build-package/ARCH/packages, as scripts/package.sh makes them)
#   DEVICE_SECURITY=yes   also take bookworm-security (off by default: see below)
#   DEVICE_MIRROR=URL     Debian mirror (default http://deb.debian.org/debian)
#
# The device: Debian's kernel with its board's modules only, systemd (networkd by DHCP,
# journald), Xorg on the kernel's display (modesetting) with the touch panel through libinput,
# started by a unit (no display manager: nothing to log in to, and a unit is restarted if it
# falls) with the XDG autostart entries of our packages run as the device user, Tavrelin
# enabled. *.cab files open with an opener that unpacks them. mmdebstrap runs the foreign
# maintainer scripts through qemu-user-static.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-}
case "$arch" in
    arm64) kernel=linux-image-arm64 ;;
    # The LPAE flavour runs on a Cortex-A15 (which has LPAE) and has the virtio drivers.
    armhf) kernel=linux-image-armmp-lpae ;;
    *) echo "usage: $0 arm64|armhf [--display x11|kms]" >&2; exit 2 ;;
esac
display=x11
if [ "${2:-}" = --display ]; then
    display=${3:-}
fi
case "$display" in
    x11 | kms) ;;
    *) echo "usage: $0 arm64|armhf [--display x11|kms]" >&2; exit 2 ;;
esac
if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=DEVICE_PACKAGES,DEVICE_SECURITY,DEVICE_MIRROR "$0" "$@"
fi

packages=${DEVICE_PACKAGES:-$root/build-package/$arch/packages}
mirror=${DEVICE_MIRROR:-http://deb.debian.org/debian}
out=$root/build-device/$arch
[ "$display" = x11 ] || out=$out-$display
debs=()
for name in brevantaclient tavrelin; do
    deb=$(ls "$packages"/${name}_*_"$arch".deb 2>/dev/null | sort -V | tail -n 1 || true)
    if [ -z "$deb" ]; then
        echo "no ${name}_*_$arch.deb in $packages: run scripts/package.sh --arch $arch" >&2
        exit 1
    fi
    # A path to a .deb goes in an --include of its own.
    debs+=(--include="$deb")
done

"$root/scripts/setup-device.sh"

# bookworm-security is optional: the mirror's security index for armhf has been seen broken
# (a size mismatch), which would fail the whole build; the image's packages then come from the
# point release and bookworm-updates only.
suites="bookworm bookworm-updates"
sources="deb $mirror bookworm main
deb $mirror bookworm-updates main"
if [ "${DEVICE_SECURITY:-no}" = yes ]; then
    sources="$sources
deb ${mirror%/debian}/debian-security bookworm-security main"
fi

include=(
    "$kernel" initramfs-tools zstd
    systemd systemd-sysv udev dbus kmod iproute2
    xdg-utils file shared-mime-info cabextract
)
if [ "$display" = x11 ]; then
    include+=(xserver-xorg-core xserver-xorg-input-libinput xinit dex x11-utils)
    # Xorg as root, the autostart entries as the device user (device/overlay-x11).
    units="device-session.service"
    target=graphical.target
else
    # The seat's daemon opens the display and input devices for the session user. With no
    # display, xdg-open opens a file through mailcap (device/overlay-kms registers the opener).
    include+=(seatd mailcap)
    units="tavrelin.service brevantaclient@device.service"
    target=multi-user.target
fi

# The emulated board's devices (virtio: PCI and MMIO transports, disk, network, display,
# tablet, console, random numbers), the root file system, input events, the injected pointer's
# uinput and systemd's automounts.
modules="virtio_pci virtio_mmio virtio_blk virtio_net virtio_gpu virtio_input virtio_console
    virtio_rng ext4 crc32c_generic evdev uinput autofs4"

work=$(mktemp -d /tmp/device-image-XXXXXX)
# Never remove through a mount that an interrupted mmdebstrap left in the tree (/dev, /proc).
cleanup() {
    if grep -q " $work/" /proc/mounts; then
        echo "left $work: still mounted below it" >&2
    else
        rm -rf --one-file-system "$work"
    fi
}
trap cleanup EXIT
started=$(date +%s)

# Modules in the initramfs: only what mounts root from virtio-blk (a small initramfs unpacks
# fast under emulation). Written before the kernel's postinst builds it.
essential_hook='mkdir -p "$1/etc/initramfs-tools/conf.d" "$1/usr/share/initramfs-tools/modules.d"
printf "MODULES=list\n" > "$1/etc/initramfs-tools/conf.d/device"
printf "virtio_pci\nvirtio_mmio\nvirtio_blk\next4\ncrc32c_generic\n" > "$1/usr/share/initramfs-tools/modules.d/device"'

# The device's own settings, in the tree under device/overlay and device/overlay-DISPLAY (the
# display stack's own), and what the packages leave to
# the administrator (README "Bring up a device").
customize_hook='set -e
chroot "$1" adduser --quiet --disabled-password --gecos Device device
chroot "$1" adduser --quiet device brevantaclient
sed -i "s/^TAVRELIN_AUTOSTART=.*/TAVRELIN_AUTOSTART=yes/" "$1/etc/default/tavrelin"
grep -q "^TAVRELIN_AUTOSTART=yes" "$1/etc/default/tavrelin"
chroot "$1" update-mime-database /usr/share/mime
chroot "$1" systemctl enable systemd-networkd.service device-report.service '"$units"'
if [ '"$display"' = kms ]; then
    # seatd gives its socket to this group; the device user is the seat'"'"'s session user.
    chroot "$1" adduser --quiet device video
    chroot "$1" systemctl enable seatd.service
    chroot "$1" update-mime
fi
# Nothing waits for the network at boot: the client finds its server when the server answers.
chroot "$1" systemctl disable systemd-networkd-wait-online.service
chroot "$1" systemctl set-default '"$target"'
# No login prompt anywhere (the serial console shows boot progress and journal notices).
chroot "$1" systemctl mask getty.target
mkdir -p "$1/var/log/journal"
rm -f "$1/etc/machine-id" && : > "$1/etc/machine-id"
dpkg-query --admindir="$1/var/lib/dpkg" -W -f="\${Installed-Size}\t\${Package}\n" | sort -n > "$1/../packages.txt"
"'"$root"'/scripts/device-modules.sh" "$1" '"$(echo $modules)"'
for f in "$1"/boot/vmlinuz-* ; do cp "$f" "$1/../vmlinuz"; done
for f in "$1"/boot/initrd.img-* ; do cp "$f" "$1/../initrd.img"; done
# The board boots the kernel from outside the disk.
rm -f "$1"/boot/vmlinuz-* "$1"/boot/initrd.img-* "$1"/boot/System.map-*
rm -rf "$1"/var/cache/apt/* "$1"/var/lib/apt/lists/*'

mkdir "$work/tree"
display_overlay=()
if [ -d "$root/device/overlay-$display" ]; then
    display_overlay=(--customize-hook="sync-in $root/device/overlay-$display /")
fi
# The tree is made merged-/usr (not by the usrmerge tool, which brings Perl), and dpkg does not
# sync each file while it builds a tree that is written out as a whole at the end.
# No recommends; no docs, man pages or translations (copyrights stay). No GL drivers and the
# compiler they bring: Xorg draws in software (AccelMethod "none") and nothing else asks for GL.
mmdebstrap --mode=root --variant=essential --architectures="$arch" \
    --aptopt='APT::Install-Recommends "false"' \
    --dpkgopt='path-exclude=/usr/share/man/*' \
    --dpkgopt='path-exclude=/usr/share/info/*' \
    --dpkgopt='path-exclude=/usr/share/locale/*' \
    --dpkgopt='path-include=/usr/share/locale/locale.alias' \
    --dpkgopt='path-exclude=/usr/share/doc/*' \
    --dpkgopt='path-include=/usr/share/doc/*/copyright' \
    --dpkgopt='path-exclude=/usr/share/lintian/*' \
    --dpkgopt='path-exclude=/usr/lib/*/dri/*' \
    --dpkgopt='path-exclude=/usr/lib/*/libLLVM-*' \
    --dpkgopt='path-exclude=/usr/lib/*/libz3.so*' \
    --include="$(IFS=,; echo "${include[*]}")" "${debs[@]}" \
    --hook-dir=/usr/share/mmdebstrap/hooks/file-mirror-automount \
    --hook-dir=/usr/share/mmdebstrap/hooks/merged-usr \
    --hook-dir=/usr/share/mmdebstrap/hooks/eatmydata \
    --essential-hook="$essential_hook" \
    --customize-hook="sync-in $root/device/overlay /" \
    "${display_overlay[@]}" \
    --customize-hook="$customize_hook" \
    bookworm "$work/tree" - <<< "$sources" > "$work/mmdebstrap.log" 2>&1 || {
    tail -n 40 "$work/mmdebstrap.log" >&2
    exit 1
}

# A raw ext4 image of the tree, made without loop mounts: the files plus a quarter, and room
# for the client's state, the package and the journal.
used=$(du -sm "$work/tree" | cut -f1)
size=$((used + used / 4 + 128))
mkdir -p "$out"
rm -f "$out/rootfs.img.new"
mke2fs -q -t ext4 -L device-root -d "$work/tree" "$out/rootfs.img.new" "${size}M"
mv "$work/vmlinuz" "$work/initrd.img" "$work/packages.txt" "$out/"
mv "$out/rootfs.img.new" "$out/rootfs.img"
cp "$work/mmdebstrap.log" "$out/mmdebstrap.log"

echo "device image for $arch in $((($(date +%s) - started))) s: $out"
echo "  tree ${used} MiB, rootfs.img ${size} MiB ($(du -m "$out/rootfs.img" | cut -f1) MiB used)," \
    "vmlinuz $(du -k "$out/vmlinuz" | cut -f1) KiB, initrd.img $(du -k "$out/initrd.img" | cut -f1) KiB"

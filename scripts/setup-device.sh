#!/bin/sh
# Installs what making, booting and testing the emulated device needs, from Debian's packages:
# mmdebstrap with QEMU's user-mode emulation for the foreign maintainer scripts (arch-test checks
# that it runs), the ext4 tools that make the disk and read it after a power cut, QEMU's ARM
# boards, dnsmasq for the device's DHCP and gcab for the packages the server hands it.
set -eu
need=""
command -v mmdebstrap >/dev/null || need="$need mmdebstrap"
command -v mke2fs >/dev/null || need="$need e2fsprogs"
[ -e /usr/bin/qemu-aarch64-static ] || need="$need qemu-user-static binfmt-support"
command -v arch-test >/dev/null || need="$need arch-test"
command -v qemu-system-aarch64 >/dev/null || need="$need qemu-system-arm"
command -v dnsmasq >/dev/null || need="$need dnsmasq-base"
command -v gcab >/dev/null || need="$need gcab"
if [ -n "$need" ]; then
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends $need
fi

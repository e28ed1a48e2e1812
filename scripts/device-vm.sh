#!/bin/bash
# Boots the device image of ARCH (scripts/device-image.sh) on QEMU's "virt" board under software
# emulation, with the provisioning server on a network of its own:
#
#   namespace NAME-dev: QEMU and its tap, bridged to a veth link
#   namespace NAME-srv: the other end of the link (10.78.0.1), dnsmasq (DHCP only) and
#                       brevanta-server serving a sample kelmaris.cab
#
# The guest's network is the tap and nothing else: no user-mode networking, nothing in this
# machine's own namespace, so its discovery broadcasts end inside the two namespaces. Runs until
# the guest powers off or QEMU is told to quit (QMP "quit"), or Ctrl-C; then removes both
# namespaces.
#
# Usage: scripts/device-vm.sh arm64|armhf
#   DEVICE_VM_IMAGE=DIR    the image's folder (default build-device/ARCH; build-device/ARCH-kms
#                          for the image without a display server)
#   DEVICE_VM_RUN=DIR      run folder (default IMAGE/run): qmp.sock, console.log,
#                          disk.img (a fresh copy of rootfs.img each boot), server.log, ...
#   DEVICE_VM_QMP=PATH     QMP socket (default DIR/qmp.sock)
#   DEVICE_VM_CONSOLE=PATH serial console log (default DIR/console.log)
#   DEVICE_VM_DISK=keep    boot DIR/disk.img as the last run left it (a device's next power-on)
#   DEVICE_VM_NAME=NAME    prefix of the namespaces and links (default brvm)
#   DEVICE_VM_SERVE=DIR    folder brevanta-server serves (default: DIR/server with a sample cab)
#   DEVICE_VM_SERVER=PATH  brevanta-server built for this machine (default: the build trees'
#                          or /usr/bin/brevanta-server)
#   DEVICE_VM_SMP=N        emulated processors (default 2)
#   DEVICE_VM_DISPLAY=UI   QEMU's display: none (default), or gtk for a window of the screen
#   DEVICE_VM_APPEND=ARGS  more of the kernel's command line (brevanta.report: the device
#                          logs its memory in use on the console, every few seconds)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-}
case "$arch" in
    arm64) qemu=qemu-system-aarch64 cpu=cortex-a53 ;;
    armhf) qemu=qemu-system-arm cpu=cortex-a15 ;;
    *) echo "usage: $0 arm64|armhf" >&2; exit 2 ;;
esac
if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env "$0" "$@"
fi

image=${DEVICE_VM_IMAGE:-$root/build-device/$arch}
run=${DEVICE_VM_RUN:-$image/run}
qmp=${DEVICE_VM_QMP:-$run/qmp.sock}
console=${DEVICE_VM_CONSOLE:-$run/console.log}
name=${DEVICE_VM_NAME:-brvm}
dev=$name-dev
srv=$name-srv
for f in vmlinuz initrd.img rootfs.img; do
    [ -e "$image/$f" ] || { echo "no $image/$f: run scripts/device-image.sh $arch" >&2; exit 1; }
done

"$root/scripts/setup-device.sh"

server=${DEVICE_VM_SERVER:-}
if [ -z "$server" ]; then
    for candidate in "$root/build/tools/brevanta-server/brevanta-server" \
        "$root/build-package/amd64/tools/brevanta-server/brevanta-server" \
        "$root/build-package/tools/brevanta-server/brevanta-server" /usr/bin/brevanta-server; do
        if [ -x "$candidate" ]; then server=$candidate; break; fi
    done
fi
if [ -z "$server" ]; then
    echo "no brevanta-server for this machine: cmake --build build --target brevanta-server" >&2
    exit 1
fi

mkdir -p "$run"
rm -f "$qmp" "$console" "$run/qemu.pid"
if [ "${DEVICE_VM_DISK:-fresh}" != keep ] || [ ! -e "$run/disk.img" ]; then
    # Sparse copy: the built image stays as it was built, each boot is a new device.
    cp --sparse=always "$image/rootfs.img" "$run/disk.img"
fi
serve=${DEVICE_VM_SERVE:-}
if [ -z "$serve" ]; then
    # A real cabinet, so that the device's opener has something to unpack.
    serve=$run/server
    rm -rf "$serve" "$run/cab"
    mkdir -p "$serve" "$run/cab"
    printf 'site=emulated\nserver=10.78.0.1\n' > "$run/cab/settings.ini"
    head -c 65536 /dev/urandom > "$run/cab/payload.bin"
    (cd "$run/cab" && gcab -c -z "$serve/kelmaris.cab" settings.ini payload.bin)
fi

pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    for pid in $pids; do wait "$pid" 2>/dev/null || true; done
    ip netns delete "$dev" 2>/dev/null || true
    ip netns delete "$srv" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

ip netns delete "$dev" 2>/dev/null || true
ip netns delete "$srv" 2>/dev/null || true
ip netns add "$dev"
ip netns add "$srv"
ip -n "$dev" link set lo up
ip -n "$srv" link set lo up
# The tap and the link's end meet on a bridge in the device namespace, which has no address of
# its own: it only carries the guest's frames, broadcasts too, to the server namespace.
ip -n "$dev" link add "$name-br0" type bridge
ip -n "$dev" tuntap add dev "$name-tap0" mode tap
ip -n "$dev" link add "$name-veth0" type veth peer name "$name-veth1" netns "$srv"
ip -n "$dev" link set "$name-tap0" master "$name-br0"
ip -n "$dev" link set "$name-veth0" master "$name-br0"
for link in "$name-br0" "$name-tap0" "$name-veth0"; do ip -n "$dev" link set "$link" up; done
ip -n "$srv" addr add 10.78.0.1/24 dev "$name-veth1"
ip -n "$srv" link set "$name-veth1" up

# DHCP only: no DNS (port 0), no upstream, no DNS server handed out. The router handed out is
# the server namespace, which routes nowhere: the guest needs a default route to broadcast to
# 255.255.255.255.
: > "$run/dnsmasq.leases"
ip netns exec "$srv" dnsmasq --keep-in-foreground --port=0 --no-resolv --no-hosts \
    --interface="$name-veth1" --bind-interfaces --dhcp-authoritative \
    --dhcp-range=10.78.0.10,10.78.0.99,255.255.255.0,12h \
    --dhcp-option=option:dns-server \
    --dhcp-leasefile="$run/dnsmasq.leases" --pid-file= --user=root --group=root \
    --log-dhcp --log-facility="$run/dnsmasq.log" &
pids="$pids $!"
ip netns exec "$srv" "$server" "$serve" > "$run/server.log" 2>&1 &
pids="$pids $!"

echo "device-vm: $arch booting; qmp $qmp; console $console; run folder $run"
# ip netns exec execs QEMU in place, so $! is QEMU's own PID.
ip netns exec "$dev" "$qemu" -M virt -cpu "$cpu" -smp "${DEVICE_VM_SMP:-2}" -m 512 \
    -nodefaults -no-user-config -display "${DEVICE_VM_DISPLAY:-none}" -monitor none \
    -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
    -append "root=/dev/vda console=ttyAMA0${DEVICE_VM_APPEND:+ $DEVICE_VM_APPEND}" \
    -drive file="$run/disk.img",format=raw,if=none,id=disk \
    -device virtio-blk-pci,drive=disk \
    -device virtio-gpu-pci,xres=272,yres=480 \
    -device virtio-tablet-pci \
    -netdev tap,id=net,ifname="$name-tap0",script=no,downscript=no \
    -device virtio-net-pci,netdev=net,romfile= \
    -serial file:"$console" \
    -qmp unix:"$qmp",server=on,wait=off \
    -pidfile "$run/qemu.pid" &
vm=$!
pids="$vm $pids"
status=0
wait "$vm" || status=$?
pids=${pids#"$vm"}
echo "device-vm: QEMU ended ($status)"
exit "$status"

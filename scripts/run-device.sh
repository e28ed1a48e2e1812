#!/bin/sh
# The demo on the emulated device: scripts/run-device.sh arm64|armhf (what
# BREVANTA_DEMO_DEVICE=ARCH ./scripts/run.sh runs). Builds the packages and the device image
# when they are missing, boots the image (scripts/device-vm.sh) with brevanta-server on its
# network, and shows its screen: QEMU's window where there is a desktop, else the web gateway's
# page, as the demo on a local display does.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
arch=$1
./scripts/build.sh build >/dev/null
if [ ! -e "build-device/$arch/rootfs.img" ]; then
    ./scripts/package.sh --arch "$arch"
    ./scripts/device-image.sh "$arch"
fi
run=build-device/$arch/run
desktop=""
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    desktop=yes
    [ -e /usr/lib/x86_64-linux-gnu/qemu/ui-gtk.so ] ||
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends qemu-system-gui
fi

pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM
DEVICE_VM_DISPLAY=${desktop:+gtk} ./scripts/device-vm.sh "$arch" &
vm=$!
pids="$vm"
echo "The device boots under emulation (a minute or two); its console: $run/console.log"

# The device's address, once the server side's DHCP has given it one.
address=""
deadline=$(($(date +%s) + 600))
while [ -z "$address" ]; do
    kill -0 "$vm" 2>/dev/null || { echo "the device stopped" >&2; exit 1; }
    [ "$(date +%s)" -lt "$deadline" ] || { echo "the device took no address" >&2; exit 1; }
    address=$(awk '{print $3; exit}' "$run/dnsmasq.leases" 2>/dev/null || true)
    [ -n "$address" ] || sleep 0.5
done
echo "The device has $address; BrevantaClient shows the server's address (10.78.0.1) once"
echo "discovery finds it. Tap SYNC NOW to download kelmaris.cab; the device unpacks it."

if [ -n "$desktop" ]; then
    echo "QEMU's window is the device's screen: click in it to touch the panel."
else
    # The gateway watches Tavrelin on the device from the server's side of the link; a relay
    # brings its port to 127.0.0.1:8023 here, and nothing else crosses.
    command -v socat >/dev/null ||
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends socat
    ip netns exec brvm-srv build/tools/tavrelin-web/tavrelin-web --device "device=$address" \
        > "$run/web.log" 2>&1 &
    pids="$pids $!"
    socat TCP-LISTEN:8023,bind=127.0.0.1,reuseaddr,fork \
        EXEC:"ip netns exec brvm-srv socat STDIO TCP\:127.0.0.1\:8023" &
    pids="$pids $!"
    echo "tavrelin-web shows the device's screen: http://127.0.0.1:8023/#device/device"
fi
echo "Ctrl-C ends the demo."
wait "$vm" || true

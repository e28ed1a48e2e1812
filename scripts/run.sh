#!/bin/sh
# The main job: sets up, builds, and runs the demo of both programs on one device-sized display.
#
# A pair of network namespaces joined by a veth link stands for the device and its network: the
# provisioning server simulator serves a sample package in the "server" namespace; BrevantaClient
# runs in the "device" namespace and finds the server by broadcast, which never leaves the pair.
# Tavrelin runs on the same device and display, and the web gateway, on the "server" side of the
# link, is its viewer: your browser shows the device's screen and drives it remotely (a relay
# brings the gateway's port to 127.0.0.1:8023 of this machine). BREVANTA_DEMO_VIEWER=native runs
# the native viewer's window instead. The display is a 272x480 Xephyr window when you have a
# display, Xvfb otherwise.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ "$(id -u)" -ne 0 ]; then
    exec sudo --preserve-env=DISPLAY,XAUTHORITY,BREVANTA_DEMO_DEVICE "$0" "$@"
fi
./scripts/setup.sh
# BREVANTA_DEMO_DEVICE=arm64 (or armhf): the same demo on the emulated ARM device.
if [ -n "${BREVANTA_DEMO_DEVICE:-}" ]; then
    exec ./scripts/run-device.sh "$BREVANTA_DEMO_DEVICE"
fi
for tool in Xephyr:xserver-xephyr socat:socat; do
    if ! command -v "${tool%%:*}" >/dev/null 2>&1; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${tool#*:}"
    fi
done
./scripts/build.sh build >/dev/null

demo=$(mktemp -d /tmp/brevanta-demo-XXXXXX)
mkdir -p "$demo/device" "$demo/server"
cp build/client/BrevantaClient "$demo/device/"
head -c 262144 /dev/urandom > "$demo/server/kelmaris.cab"
# The package is "opened" by whatever xdg-open the device has; the demo's own one says so.
cat > "$demo/device/xdg-open" <<'OPEN'
#!/bin/sh
echo "The device opens the package: $1 ($(wc -c < "$1") bytes)"
OPEN
chmod +x "$demo/device/xdg-open"

dev=brvdemo-dev
srv=brvdemo-srv
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    ip netns delete "$dev" 2>/dev/null || true
    ip netns delete "$srv" 2>/dev/null || true
    rm -rf "$demo"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

ip netns delete "$dev" 2>/dev/null || true
ip netns delete "$srv" 2>/dev/null || true
ip netns add "$dev"
ip netns add "$srv"
ip -n "$dev" link add brvdemo0 type veth peer name brvdemo1 netns "$srv"
ip -n "$dev" addr add 10.77.0.1/24 dev brvdemo0
ip -n "$srv" addr add 10.77.0.2/24 dev brvdemo1
for ns in "$dev" "$srv"; do ip -n "$ns" link set lo up; done
ip -n "$dev" link set brvdemo0 up
ip -n "$srv" link set brvdemo1 up
ip -n "$dev" route add default dev brvdemo0
ip -n "$srv" route add default dev brvdemo1

ip netns exec "$srv" "$root/build/tools/brevanta-server/brevanta-server" "$demo/server" \
    > "$demo/server.log" &
pids="$pids $!"

# A free display number.
number=20
while [ -e "/tmp/.X11-unix/X$number" ] || [ -e "/tmp/.X$number-lock" ]; do number=$((number + 1)); done
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    Xephyr ":$number" -screen 272x480x16 -nolisten tcp -title "BrevantaClient device" &
    watch="the Xephyr window on your desktop"
else
    Xvfb ":$number" -screen 0 272x480x16 -nolisten tcp &
    watch="nothing yet: there is no display here (Xvfb :$number); run this with a display for a window"
fi
pids="$pids $!"
for _ in $(seq 100); do
    DISPLAY=":$number" xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done

# Tavrelin first, so that the client's full-screen window covers its control window.
ip netns exec "$dev" env DISPLAY=":$number" CE_OBJECTS_DIR="$demo/objects" \
    "$root/build/server/Tavrelin" &
pids="$pids $!"
for _ in $(seq 100); do
    ip netns exec "$dev" grep -q ':5A5E 00000000:0000 0A' /proc/net/tcp && break
    sleep 0.1
done

echo "BrevantaClient runs in the device namespace; watch $watch."
echo "Within a second the server's address (10.77.0.2) appears; tap SYNC NOW to download"
echo "kelmaris.cab, IP SETUP to type an address, QUIT to end. The record is kept in"
echo "$demo/device/brevantaclient.txt; the next start finds it and quits at once."
ip netns exec "$dev" env DISPLAY=":$number" PATH="$demo/device:$PATH" \
    "$demo/device/BrevantaClient" &
client=$!
pids="$pids $client"

viewer="$root/build/tools/tavrelin-viewer/tavrelin-viewer"
desktop=""
if [ -n "${DISPLAY:-}" ] && ip netns exec "$srv" env DISPLAY="$DISPLAY" xdpyinfo >/dev/null 2>&1; then
    desktop=yes
fi
if [ "${BREVANTA_DEMO_VIEWER:-web}" = native ] && [ -n "$desktop" ]; then
    echo "Tavrelin serves the device's screen on 10.77.0.1:23134; the viewer window (scaled 2x)"
    echo "shows it from the server's side of the link: click in it to drive the client remotely."
    ip netns exec "$srv" env DISPLAY="$DISPLAY" "$viewer" --scale 2 10.77.0.1 >/dev/null &
    pids="$pids $!"
else
    # The gateway is the device's viewer, on the server's side of the link. Each connection to
    # 127.0.0.1:8023 here is relayed into the server namespace: nothing else crosses.
    ip netns exec "$srv" "$root/build/tools/tavrelin-web/tavrelin-web" \
        --device device=10.77.0.1 > "$demo/web.log" 2>&1 &
    pids="$pids $!"
    for _ in $(seq 100); do grep -q '^listening' "$demo/web.log" && break; sleep 0.1; done
    socat TCP-LISTEN:8023,bind=127.0.0.1,reuseaddr,fork \
        EXEC:"ip netns exec $srv socat STDIO TCP\:127.0.0.1\:8023" &
    pids="$pids $!"
    url="http://127.0.0.1:8023/#device/device"
    echo "tavrelin-web serves the device's screen: open $url"
    echo "(the device list is http://127.0.0.1:8023/). Click or touch the screen in the page to"
    echo "drive the client remotely; any number of tabs may watch."
    if [ -n "$desktop" ] && [ -n "${SUDO_USER:-}" ] && command -v xdg-open >/dev/null 2>&1; then
        sudo -u "$SUDO_USER" env DISPLAY="$DISPLAY" xdg-open "$url" >/dev/null 2>&1 &
    elif [ -z "$desktop" ]; then
        # No window can be shown here: headless Chromium, in the server namespace, takes a
        # picture of the page.
        profile=$(mktemp -d "$demo/chromium-XXXXXX")
        sleep 1
        ip netns exec "$srv" chromium --headless --no-sandbox --disable-gpu --disable-quic \
            --no-first-run --disable-background-networking --disable-component-update \
            --disable-sync --user-data-dir="$profile" --window-size=420,640 \
            --virtual-time-budget=3000 --screenshot=/tmp/brevanta-device.png \
            "$url" >/dev/null 2>&1 &&
            echo "Headless Chromium saw the device's screen through the gateway: /tmp/brevanta-device.png"
    fi
fi
echo "Ctrl-C ends the demo."
wait "$client" || true
echo "BrevantaClient ended. What the server saw:"
cat "$demo/server.log"

#!/bin/sh
# Sets up, builds and runs the provisioning server simulator on a sample package. It answers
# discovery tokens on UDP 52423 and serves the package on TCP 18898 until Ctrl-C.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
./scripts/setup.sh
./scripts/build.sh build

demo="$root/build/demo"
mkdir -p "$demo"
if [ ! -f "$demo/kelmaris.cab" ]; then
    # A sample package: any bytes will do for the client, which only stores and opens it.
    head -c 262144 /dev/urandom > "$demo/kelmaris.cab"
fi
echo "Serving $demo (kelmaris.cab, $(wc -c < "$demo/kelmaris.cab") bytes). Ctrl-C ends it."
exec "$root/build/tools/brevanta-server/brevanta-server" "$demo"

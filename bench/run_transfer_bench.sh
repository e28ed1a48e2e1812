#!/bin/sh
# Downloads a 64 MiB package over loopback with CTransferService (from the provisioning server
# simulator), with a bare loop of 4096-byte receives (same server: what the receive rule costs by
# itself), and with curl (from nginx), in a network namespace of its own, and prints the medians
# and ratios. Needs root for the namespace; installs nginx and curl if missing.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-7}

if [ "${BREVANTA_BENCH_INSIDE:-}" != 1 ]; then
    "$root/scripts/setup.sh"
    for package in nginx-light curl; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends nginx-light curl
            break
        fi
    done
    "$root/scripts/build.sh" "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DBREVANTA_BENCH=ON -DBREVANTA_TESTS=OFF
    BREVANTA_BENCH_INSIDE=1 exec unshare --net "$0" "$@"
fi

ip link set lo up
work=$(mktemp -d /tmp/brevanta-bench-XXXXXX)
mkdir -p "$work/served" "$work/out-ours" "$work/out-curl" "$work/nginx"
head -c 67108864 /dev/urandom > "$work/served/kelmaris.cab"

"$root/build-bench/tools/brevanta-server/brevanta-server" --no-discovery "$work/served" > "$work/server.log" &
server=$!
cat > "$work/nginx/nginx.conf" <<CONF
daemon off;
user root;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 64; }
http {
    access_log off;
    sendfile on;
    server {
        listen 127.0.0.1:8080;
        root $work/served;
    }
}
CONF
nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
web=$!
cleanup() {
    kill "$server" "$web" 2>/dev/null || true
    wait "$server" "$web" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Both servers are ready once their ports answer.
for _ in $(seq 100); do
    if curl -s -o /dev/null http://127.0.0.1:8080/kelmaris.cab && grep -q ready "$work/server.log"; then break; fi
    sleep 0.05
done

echo "== CTransferService from brevanta-server"
ours=$("$root/build-bench/bench/transfer_bench" 127.0.0.1 "$work/out-ours" kelmaris.cab "$runs" | tee /dev/stderr | awk '/median/ {print $2}')
cmp "$work/served/kelmaris.cab" "$work/out-ours/kelmaris.cab"

echo "== bare 4096-byte receive loop from brevanta-server"
plain=$("$root/build-bench/bench/transfer_bench" --plain 127.0.0.1 "$work/out-ours" kelmaris.cab "$runs" | tee /dev/stderr | awk '/median/ {print $2}')
cmp "$work/served/kelmaris.cab" "$work/out-ours/kelmaris.cab"

echo "== curl from nginx"
times=""
for run in $(seq "$runs"); do
    t=$(curl -s -o "$work/out-curl/kelmaris.cab" -w '%{time_total}' http://127.0.0.1:8080/kelmaris.cab)
    ms=$(awk -v t="$t" 'BEGIN { printf "%.1f", t * 1000 }')
    echo "run $run $ms ms" >&2
    times="$times $ms"
done
cmp "$work/served/kelmaris.cab" "$work/out-curl/kelmaris.cab"
theirs=$(echo "$times" | tr ' ' '\n' | grep . | sort -n | awk '{a[NR]=$1} END {print a[int(NR/2)+1]}')
echo "median $theirs ms" >&2

awk -v o="$ours" -v p="$plain" -v t="$theirs" 'BEGIN {
    printf "CTransferService %.1f ms, bare 4096-byte loop %.1f ms, curl %.1f ms\n", o, p, t
    printf "ratio to curl %.2f, ratio to the bare loop %.2f\n", o / t, o / p
}'

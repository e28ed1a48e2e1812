#!/bin/sh
# A site of devices powering up at once: 1,000 devices each fetching a 4 MiB package, then 200
# fetching 16 MiB, from brevanta-server and from nginx serving the same files over HTTP/1.0, with
# the same load generator (bench/fleet_load, every byte compared with the file). The servers run
# in a network namespace of their own, the devices in another, joined by a veth link. Prints one
# table: median aggregate throughput of ROUNDS rounds (default 3), failed downloads, and peak
# resident memory (brevanta-server fresh for each round; nginx's master and workers summed).
#
#   bench/run_fleet_bench.sh                                  # the server built from this tree
#   BREVANTA_SERVER=/usr/bin/brevanta-server bench/run_fleet_bench.sh    # an installed one
#
# Needs root (namespaces). Installs nginx (Debian package) if missing: on a machine that runs
# systemd, Debian starts and enables its nginx service on port 80 as it installs it.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${ROUNDS:-3}
build=$root/build-bench
server_program=${BREVANTA_SERVER:-$build/tools/brevanta-server/brevanta-server}
load=$build/bench/fleet_load/fleet_load

if [ "$(id -u)" -ne 0 ]; then
    echo "run_fleet_bench.sh needs root for its network namespaces" >&2
    exit 1
fi
"$root/scripts/setup.sh"
if ! dpkg-query -W -f='${Status}' nginx 2>/dev/null | grep -q "install ok installed"; then
    apt-get update
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends nginx
fi
"$root/scripts/build.sh" "$build" -DCMAKE_BUILD_TYPE=Release -DBREVANTA_BENCH=ON \
    -DBREVANTA_TESTS=OFF

# Names of our own, so that runs beside other work on this machine do not meet.
tag=$$
devices=brevanta-fleet-dev-$tag
servers=brevanta-fleet-srv-$tag
device_address=10.231.0.1
server_address=10.231.0.2
work=$(mktemp -d /tmp/brevanta-fleet-XXXXXX)
server=""
web=""

cleanup() {
    for pid in $server $web; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    ip netns del "$devices" 2>/dev/null || true
    ip netns del "$servers" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

ip netns add "$devices"
ip netns add "$servers"
ip link add "bfd$tag" type veth peer name "bfs$tag"
ip link set "bfd$tag" netns "$devices"
ip link set "bfs$tag" netns "$servers"
ip -n "$devices" addr add "$device_address/24" dev "bfd$tag"
ip -n "$servers" addr add "$server_address/24" dev "bfs$tag"
for namespace in "$devices" "$servers"; do
    ip -n "$namespace" link set lo up
done
ip -n "$devices" link set "bfd$tag" up
ip -n "$servers" link set "bfs$tag" up

mkdir -p "$work/served" "$work/nginx"
head -c $((4 << 20)) /dev/urandom > "$work/served/package-4mib.cab"
head -c $((16 << 20)) /dev/urandom > "$work/served/package-16mib.cab"

# nginx as a site would run it: a worker per processor, sendfile, an access log; a backlog as
# long as the system allows, as brevanta-server asks for.
cat > "$work/nginx/nginx.conf" <<CONF
daemon off;
user root;
worker_processes auto;
worker_rlimit_nofile 16384;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 4096; }
http {
    access_log $work/nginx/access.log;
    sendfile on;
    tcp_nopush on;
    server {
        listen $server_address:8080 backlog=4096;
        root $work/served;
    }
}
CONF
ip netns exec "$servers" nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
web=$!

# Waits (up to 10 s) until the command succeeds.
wait_for() {
    for _ in $(seq 200); do
        if "$@" >/dev/null 2>&1; then return 0; fi
        sleep 0.05
    done
    echo "gave up waiting for: $*" >&2
    exit 1
}
wait_for sh -c "ip netns exec $servers ss -Hltn 'sport = :8080' | grep -q LISTEN"

# Peak resident memory in KiB of a process and its children (nginx's workers).
peak_kib() {
    total=0
    for pid in "$1" $(cat "/proc/$1/task/$1/children" 2>/dev/null); do
        kib=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
        total=$((total + ${kib:-0}))
    done
    echo "$total"
}

# Segments the servers' side has sent again so far: drops on the way show here.
retransmitted() {
    ip netns exec "$servers" nstat -asz TcpRetransSegs | awk '$1 == "TcpRetransSegs" {print $2}'
}

# The value of key=VALUE in a line of fleet_load.
field() {
    echo "$1" | tr ' ' '\n' | awk -F= -v key="$2" '$1 == key {print $2}'
}

results=$work/results
: > "$results"
# One round: prints "NAME MIB_PER_S FAILED PEAK_KIB" into the results.
measure() {
    name=$1 scenario=$2 connections=$3 file=$4 pid=$5
    shift 5
    resent=$(retransmitted)
    ip netns exec "$devices" "$load" --connections "$connections" "$@" "$work/served/$file" \
        > "$work/load.out" || true
    line=$(head -n 1 "$work/load.out")
    echo "  $name: $line retransmitted=$(($(retransmitted) - resent))" >&2
    tail -n +2 "$work/load.out" | sed 's/^/    /' >&2
    completed=$(field "$line" completed)
    echo "$scenario $name $(field "$line" mib_per_s) $((connections - ${completed:-0})) \
$(peak_kib "$pid")" >> "$results"
}

for scenario in 1000x4:package-4mib.cab 200x16:package-16mib.cab; do
    connections=${scenario%%x*}
    file=${scenario#*:}
    size=${scenario%%:*}
    for round in $(seq "$rounds"); do
        echo "== $connections devices x ${size#*x} MiB, round $round of $rounds" >&2
        ip netns exec "$servers" "$server_program" "$work/served" > "$work/server.log" &
        server=$!
        wait_for grep -q '^ready' "$work/server.log"
        measure brevanta-server "$size" "$connections" "$file" "$server" \
            "$server_address" 18898
        kill "$server"
        wait "$server" || true
        server=""
        measure nginx "$size" "$connections" "$file" "$web" --http "$server_address" 8080
    done
done

awk -v rounds="$rounds" '
function median(list,    n, values, i, j, t) {
    n = split(list, values, " ")
    for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++)
        if (values[j] + 0 < values[i] + 0) { t = values[i]; values[i] = values[j]; values[j] = t }
    return n % 2 ? values[(n + 1) / 2] : (values[n / 2] + values[n / 2 + 1]) / 2
}
{
    key = $1 " " $2
    if (!(key in speeds)) order[++count] = key
    speeds[key] = speeds[key] " " $3
    failed[key] += $4
    if ($5 > peak[key]) peak[key] = $5
}
END {
    printf "Devices over a veth link; throughput is the median of %d rounds, from the first connect\n", rounds
    printf "to the last byte; peak RSS of nginx adds its master and workers.\n\n"
    printf "%-14s %-16s %12s %16s %14s\n", "devices", "server", "MiB/s", "failed", "peak RSS"
    for (i = 1; i <= count; i++) {
        split(order[i], parts, " ")
        split(parts[1], shape, "x")
        label[order[i]] = shape[1] " x " shape[2] " MiB"
        speed[order[i]] = median(speeds[order[i]])
        printf "%-14s %-16s %12.1f %9d of %-5d %10.1f MiB\n", label[order[i]], parts[2],
            speed[order[i]], failed[order[i]], shape[1] * rounds, peak[order[i]] / 1024
    }
    printf "\n"
    for (i = 1; i <= count; i++) {
        split(order[i], parts, " ")
        if (parts[2] != "brevanta-server") continue
        theirs = speed[parts[1] " nginx"]
        printf "%-14s brevanta-server / nginx = %.2f\n", label[order[i]],
            (theirs > 0 ? speed[order[i]] / theirs : 0)
    }
}' "$results"

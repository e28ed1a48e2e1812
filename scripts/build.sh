#!/bin/sh
# Configures and builds one build tree: scripts/build.sh DIR [cmake options...]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1
shift
cmake -S "$root" -B "$dir" -G Ninja -DBREVANTA_WERROR=ON "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"

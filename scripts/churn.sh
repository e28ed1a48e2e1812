#!/bin/sh
# Tavrelin's churn suite at length: 10,000 viewer visits, 200 rounds of Stop, Start and rotations,
# and the other scenarios once; ends with the figure lines. Needs root (the test makes network
# namespaces). scripts/churn.sh [BUILD_DIR]; BREVANTA_CHURN_CYCLES and BREVANTA_CHURN_ROUNDS
# change the lengths.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-build}
case $dir in
/*) ;;
*) dir=$root/$dir ;;
esac
if [ ! -f "$dir/CMakeCache.txt" ]; then
    "$root/scripts/build.sh" "$dir"
fi
cmake --build "$dir" -j 2 --target tavrelin_churn_test
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
BREVANTA_CHURN_CYCLES=${BREVANTA_CHURN_CYCLES:-10000} \
    BREVANTA_CHURN_ROUNDS=${BREVANTA_CHURN_ROUNDS:-200} \
    "$dir/tests/system/tavrelin_churn_test" >"$log" 2>&1 || status=$?
cat "$log"
echo
echo "Figures:"
grep '^churn ' "$log" || true
exit "$status"

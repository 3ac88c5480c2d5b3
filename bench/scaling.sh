#!/usr/bin/env bash
# Scaling of the extraction with the size of the selected area.
#   bench/scaling.sh [BUILD_DIR] [ROUNDS] [FACTORS]
# Makes areas of 1x, 4x and 16x (or the square FACTORS given, as in "1 4 16 25 64") the
# real sample pieces (../shared/data/moscow-selection)
# with pelagor-scale-pieces in a temporary folder, runs pelagor-bench on each and prints
# the time per MB (10^6 bytes of input), the peak resident memory and the bytes per kept
# node. 16x the area is 16x the input, so linear work takes 16x the 1x time.
# Build first: cmake -S . -B build-perf -DCMAKE_BUILD_TYPE=Release &&
#              cmake --build build-perf --target pelagor-bench pelagor-scale-pieces
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-7}
factors=${3:-1 4 16}
pieces="$root/../shared/data/moscow-selection"
work=$(mktemp -d /tmp/pelagor-scaling.XXXXXX)
trap 'rm -rf "$work"' EXIT

printf '%-5s %6s %8s %10s %12s %12s %7s %9s %11s\n' size files MB "floor s/MB" "extract s/MB" "extract s" ratio "peak MiB" "B/kept node"
declare -A seconds perMB
for factor in $factors; do
    "$build/bench/pelagor-scale-pieces" "$pieces" "$work/x$factor" "$factor" > /dev/null
    out=$("$build/bench/pelagor-bench" --rounds "$rounds" "$work/x$factor")
    echo "$out" > "$work/x$factor.txt"
    files=$(sed -n 's/^input: \([0-9]*\) files, \([0-9.]*\) MB.*/\1/p' <<< "$out")
    mb=$(sed -n 's/^input: [0-9]* files, \([0-9.]*\) MB.*/\1/p' <<< "$out")
    floor=$(sed -n 's/^floor: *median \([0-9.]*\) s.*/\1/p' <<< "$out")
    extraction=$(sed -n 's/^extraction: median \([0-9.]*\) s.*/\1/p' <<< "$out")
    ratio=$(sed -n 's/^ratio=\([0-9.]*\) .*/\1/p' <<< "$out")
    peak=$(sed -n 's/.*peak_mib=\([0-9.]*\)/\1/p' <<< "$out")
    perNode=$(sed -n 's/.*MiB before the first pass, \([0-9]*\) bytes per kept node.*/\1/p' <<< "$out")
    seconds[$factor]=$extraction
    perMB[$factor]=$(awk -v ex="$extraction" -v mb="$mb" 'BEGIN { print ex / mb }')
    awk -v s="${factor}x" -v f="$files" -v mb="$mb" -v fl="$floor" -v ex="$extraction" -v r="$ratio" \
        -v p="$peak" -v n="$perNode" \
        'BEGIN { printf "%-5s %6d %8.2f %10.4f %12.4f %12.3f %7.3f %9.1f %11d\n", s, f, mb, fl / mb, ex / mb, ex, r, p, n }'
done
# The copies' ids have more digits, so 16x the area is a little more than 16x the bytes:
# both the plain time ratio and the ratio of time per MB are shown.
for factor in 4 16; do
    [[ -n "${seconds[1]:-}" && -n "${seconds[$factor]:-}" ]] || continue
    awk -v f="$factor" -v one="${seconds[1]}" -v many="${seconds[$factor]}" \
        -v m1="${perMB[1]}" -v mf="${perMB[$factor]}" 'BEGIN {
        printf "%dx: time / (%d x 1x time) = %.3f, s/MB / 1x s/MB = %.3f%s\n", f, f, many / (f * one), mf / m1,
            f == 16 ? " (linear: at most 1.1)" : "" }'
done
for factor in $factors; do
    grep -h '^memory:' "$work/x$factor.txt" | sed "s/^/${factor}x /"
done

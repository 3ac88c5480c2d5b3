#!/usr/bin/env bash
# The window's "Extract from a file..." against pelagor-extract --bbox on the same PBF and box.
#   bench/compare-window.sh [BUILD_DIR] [ROUNDS] [BBOX]
# The bench file ../shared/data/bench/osm-bench-mix.osm.gz is unpacked and converted with
# `osmium cat` to PBF in a temporary folder. Each round runs the command line and the window
# (offscreen, pelagor-window-extract-bench) in turn: the command line's whole process, the
# window from its opening to the end of its run. The ratio window/command line is taken
# within each round and its median printed. Each round also checks that both wrote the same
# network file. BBOX defaults to the tenth of the data's area of bench/compare-formats.sh.
# Needs: apt-get install -y osmium-tool
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-5}
bbox=${3:-12,45,96.8566,74.8729}
work=$(mktemp -d /tmp/pelagor-window.XXXXXX)
trap 'rm -rf "$work"' EXIT
gunzip -c "$root/../shared/data/bench/osm-bench-mix.osm.gz" > "$work/bench.osm"
osmium cat --no-progress -o "$work/bench.osm.pbf" "$work/bench.osm"
rm "$work/bench.osm"

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
for round in $(seq "$rounds"); do
    rm -rf "$work/cli" "$work/window" && mkdir -p "$work/cli" "$work/window"
    start=$(date +%s.%N)
    (cd "$work/cli" && "$build/tools/pelagor-extract" --no-progress --bbox "$bbox" -o network.osm "$work/bench.osm.pbf" \
        > log.txt 2> err.txt)
    cli=$(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
    line=$(cd "$work/window" && QT_QPA_PLATFORM=offscreen "$build/bench/pelagor-window-extract-bench" "$bbox" \
        "$work/bench.osm.pbf" 2> err.txt | tail -1)
    window=${line#seconds=}
    window=${window%% *}
    network=${line##*network=}
    cmp -s "$work/cli/network.osm" "$work/window/$network" || { echo "round $round: the network files differ"; exit 1; }
    ratio=$(awk -v w="$window" -v c="$cli" 'BEGIN { print w / c }')
    printf 'round %d: command line %.2f s, window %.2f s, ratio %.3f\n' "$round" "$cli" "$window" "$ratio"
    echo "$cli" >> "$work/cli.times"
    echo "$window" >> "$work/window.times"
    echo "$ratio" >> "$work/ratios"
done
printf 'median: command line %.2f s, window %.2f s, ratio window/command line %.3f\n' \
    "$(median < "$work/cli.times")" "$(median < "$work/window.times")" "$(median < "$work/ratios")"

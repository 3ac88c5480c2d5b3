#!/usr/bin/env bash
# pelagor-extract on one large PBF extract of 1x, 4x and 16x the bench data, side by side with
# osmium tags-filter on the same files.
#   bench/scaling-pbf.sh [BUILD_DIR] [ROUNDS] [FACTORS]
# The bench file ../shared/data/bench/osm-bench-mix.osm.gz is unpacked and converted to PBF with
# `osmium cat`; pelagor-scale-pbf then writes FACTOR copies of it into one sorted PBF (ids raised
# by multiples of 10^10, positions moved a little, so that copies share nothing). Each round runs
# both programs in turn on each file; the time ratio pelagor-extract / osmium is taken within
# the round, and the medians are printed with the peak resident memory (/usr/bin/time).
# osmium keeps what compare-formats.sh has it keep and writes OSM XML. Needs:
# apt-get install -y osmium-tool
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-3}
factors=${3:-1 4 16}
work=$(mktemp -d /tmp/pelagor-scaling-pbf.XXXXXX)
trap 'rm -rf "$work"' EXIT
gunzip -c "$root/../shared/data/bench/osm-bench-mix.osm.gz" > "$work/bench.osm"
osmium cat --no-progress -o "$work/x1.osm.pbf" "$work/bench.osm"
rm "$work/bench.osm"

highways=motorway,motorway_link,trunk,trunk_link,primary,primary_link,secondary,secondary_link
highways=$highways,tertiary,tertiary_link,unclassified,residential,road

timed() {
    /usr/bin/time -f "%e %M" -o "$work/time" "$@"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-6s %8s %10s %14s %14s %12s %12s %11s\n' size "PBF MB" nodes "pelagor s" "osmium s" "pelagor MiB" "osmium MiB" "time ratio"
for factor in $factors; do
    pbf="$work/x$factor.osm.pbf"
    [ -f "$pbf" ] || "$build/bench/pelagor-scale-pbf" "$work/x1.osm.pbf" "$pbf" "$factor" > /dev/null
    rm -f "$work"/*.s "$work"/*.kib "$work/ratios"
    for round in $(seq "$rounds"); do
        rm -rf "$work/run" && mkdir -p "$work/run/data"
        (cd "$work/run" && timed "$build/tools/pelagor-extract" "$pbf" > log.txt 2> err.txt)
        read -r p pk < "$work/time"
        timed osmium tags-filter --no-progress --overwrite -o "$work/osmium.osm" "$pbf" \
            n/highway=bus_stop,traffic_signals n/railway=tram_stop "w/highway=$highways" w/railway=tram \
            r/route=bus,trolleybus,tram
        read -r o ok < "$work/time"
        echo "$p" >> "$work/p.s"; echo "$pk" >> "$work/p.kib"
        echo "$o" >> "$work/o.s"; echo "$ok" >> "$work/o.kib"
        awk -v p="$p" -v o="$o" 'BEGIN { print p / o }' >> "$work/ratios"
    done
    nodes=$(sed -n 's/^ *Node count: \([0-9]*\)$/\1/p' "$work/run/log.txt" | tail -n 1)
    printf '%-6s %8.1f %10s %14.2f %14.2f %12.1f %12.1f %11.3f\n' "${factor}x" \
        "$(awk -v b="$(stat -c %s "$pbf")" 'BEGIN { print b / 1e6 }')" "$nodes" \
        "$(median < "$work/p.s")" "$(median < "$work/o.s")" \
        "$(median < "$work/p.kib" | awk '{ print $1 / 1024 }')" "$(median < "$work/o.kib" | awk '{ print $1 / 1024 }')" \
        "$(median < "$work/ratios")"
done

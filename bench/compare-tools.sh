#!/usr/bin/env bash
# The extraction side by side with osmfilter and osmium tags-filter on one big file.
#   bench/compare-tools.sh [BUILD_DIR] [ROUNDS] [FILE.osm]
# Without FILE, ../shared/data/bench/osm-bench-mix.osm.gz is unpacked into a temporary
# folder (258 MB). The three programs run in turn, ROUNDS times (default 3); each line
# shows the median wall time, MB/s (10^6 bytes of input per second) and the median
# peak resident memory. The filters keep the same objects as the extraction: nodes
# highway=bus_stop|traffic_signals or railway=tram_stop, ways with an accepted highway
# value or railway=tram (with their nodes), relations route=bus|trolleybus|tram.
# Needs: apt-get install -y osmium-tool osmctools
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-3}
work=$(mktemp -d /tmp/pelagor-compare.XXXXXX)
trap 'rm -rf "$work"' EXIT
input=${3:-}
if [ -z "$input" ]; then
    input="$work/osm-bench-mix.osm"
    gunzip -c "$root/../shared/data/bench/osm-bench-mix.osm.gz" > "$input"
fi
input=$(cd "$(dirname "$input")" && pwd)/$(basename "$input")
bytes=$(stat -c %s "$input")

highways=motorway,motorway_link,trunk,trunk_link,primary,primary_link,secondary,secondary_link
highways=$highways,tertiary,tertiary_link,unclassified,residential,road
osmfilterHighways="highway=${highways//,/ =}"

timed() {
    /usr/bin/time -f "%e %M" -o "$work/time" "$@"
}
run_pelagor() {
    rm -rf "$work/run" && mkdir -p "$work/run/data"
    (cd "$work/run" && timed "$build/tools/pelagor-extract" "$input" > /dev/null 2>&1)
}
run_osmfilter() {
    timed osmfilter "$input" --keep= --keep-nodes="highway=bus_stop =traffic_signals or railway=tram_stop" \
        --keep-ways="$osmfilterHighways or railway=tram" --keep-relations="route=bus =trolleybus =tram" \
        -o="$work/osmfilter.osm"
}
run_osmium() {
    timed osmium tags-filter --overwrite -o "$work/osmium.osm" "$input" n/highway=bus_stop,traffic_signals \
        n/railway=tram_stop "w/highway=$highways" w/railway=tram r/route=bus,trolleybus,tram
}
# Without the referenced objects (-R): one pass, but the ways' nodes are missing.
run_osmium_R() {
    timed osmium tags-filter -R --overwrite -o "$work/osmium-R.osm" "$input" n/highway=bus_stop,traffic_signals \
        n/railway=tram_stop "w/highway=$highways" w/railway=tram r/route=bus,trolleybus,tram
}

tools="pelagor osmfilter osmium osmium_R"
for round in $(seq "$rounds"); do
    for tool in $tools; do
        "run_$tool"
        cat "$work/time" >> "$work/$tool.times"
    done
done

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf 'input: %s, %.1f MB, %d rounds\n' "$input" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$rounds"
printf '%-36s %9s %8s %10s\n' program "median s" "MB/s" "peak MiB"
for tool in $tools; do
    s=$(cut -d' ' -f1 "$work/$tool.times" | median)
    kib=$(cut -d' ' -f2 "$work/$tool.times" | median)
    case $tool in
        pelagor) name="pelagor-extract" ;;
        osmfilter) name="osmfilter" ;;
        osmium) name="osmium tags-filter" ;;
        osmium_R) name="osmium tags-filter -R (no way nodes)" ;;
    esac
    awk -v n="$name" -v s="$s" -v k="$kib" -v b="$bytes" \
        'BEGIN { printf "%-36s %9.2f %8.1f %10.1f\n", n, s, b / 1e6 / s, k / 1024 }'
done

#!/usr/bin/env bash
# pelagor-extract on an OpenStreetMap PBF extract, side by side with osmium tags-filter
# on the same PBF, pelagor-extract on the same data as XML, pelagor-extract
# --bbox on the PBF with a box of a tenth of the data's area, and the file for other
# tools (--format osm) from the XML and from the PBF, written as XML and, from the PBF,
# also as PBF (-o x.osm.pbf).
#   bench/compare-formats.sh [BUILD_DIR] [ROUNDS] [BBOX]
# The bench file ../shared/data/bench/osm-bench-mix.osm.gz is unpacked into a
# temporary folder and converted with `osmium cat` to PBF. Each round runs the four
# programs in turn; the ratios are taken within a round (the machine's load changes
# from round to round), and the medians over the rounds are printed, with the peak
# resident memory (/usr/bin/time). BBOX defaults to a box of exactly a tenth of the
# area of the data's bounding box that holds about a tenth of its nodes.
# osmium keeps what the network keeps: nodes highway=bus_stop|traffic_signals or
# railway=tram_stop, ways with an accepted highway value or railway=tram (with their
# nodes), relations route=bus|trolleybus|tram, and writes OSM XML as pelagor-extract
# does. Needs: apt-get install -y osmium-tool
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-5}
bbox=${3:-12,45,96.8566,74.8729}
work=$(mktemp -d /tmp/pelagor-formats.XXXXXX)
trap 'rm -rf "$work"' EXIT
gunzip -c "$root/../shared/data/bench/osm-bench-mix.osm.gz" > "$work/bench.osm"
osmium cat --no-progress -o "$work/bench.osm.pbf" "$work/bench.osm"

highways=motorway,motorway_link,trunk,trunk_link,primary,primary_link,secondary,secondary_link
highways=$highways,tertiary,tertiary_link,unclassified,residential,road

timed() {
    /usr/bin/time -f "%e %M" -o "$work/time" "$@"
}
extract() {
    local name=$1
    shift
    rm -rf "$work/$name" && mkdir -p "$work/$name/data"
    (cd "$work/$name" && timed "$build/tools/pelagor-extract" "$@" > log.txt 2> err.txt)
}
run_pbf() { extract pbf "$work/bench.osm.pbf"; }
run_osmium() {
    timed osmium tags-filter --no-progress --overwrite -o "$work/osmium.osm" "$work/bench.osm.pbf" \
        n/highway=bus_stop,traffic_signals n/railway=tram_stop "w/highway=$highways" w/railway=tram \
        r/route=bus,trolleybus,tram
}
run_xml() { extract xml "$work/bench.osm"; }
run_bbox() { extract bbox --bbox "$bbox" "$work/bench.osm.pbf"; }
run_xmlosm() { extract xmlosm --format osm "$work/bench.osm"; }
run_pbfosm() { extract pbfosm --format osm "$work/bench.osm.pbf"; }
run_pbfosmpbf() { extract pbfosmpbf --format osm -o out.osm.pbf "$work/bench.osm.pbf"; }

tools="pbf osmium xml bbox xmlosm pbfosm pbfosmpbf"
for round in $(seq "$rounds"); do
    for tool in $tools; do
        "run_$tool"
        read -r seconds kib < "$work/time"
        echo "$seconds" >> "$work/$tool.s"
        echo "$kib" >> "$work/$tool.kib"
    done
    # The same data as PBF and as XML: the same network file and diagnostics.
    cmp -s "$work"/pbf/data/comp/*.osm "$work"/xml/data/comp/*.osm || echo "round $round: PBF and XML network files differ"
    cmp -s "$work/pbf/err.txt" "$work/xml/err.txt" || echo "round $round: PBF and XML diagnostics differ"
    p=$(tail -n 1 "$work/pbf.s")
    o=$(tail -n 1 "$work/osmium.s")
    x=$(tail -n 1 "$work/xml.s")
    b=$(tail -n 1 "$work/bbox.s")
    xo=$(tail -n 1 "$work/xmlosm.s")
    po=$(tail -n 1 "$work/pbfosm.s")
    pp=$(tail -n 1 "$work/pbfosmpbf.s")
    # The file for other tools holds the same objects from XML and from PBF; the bounds (line 3)
    # are the input's, which a PBF header holds to 1e-7 degree.
    cmp -s <(tail -n +4 "$work"/xmlosm/data/comp/*.osm) <(tail -n +4 "$work"/pbfosm/data/comp/*.osm) \
        || echo "round $round: the files for other tools from XML and PBF differ"
    awk -v p="$p" -v o="$o" -v x="$x" -v b="$b" -v xo="$xo" -v po="$po" -v pp="$pp" \
        'BEGIN { print p / o, p / x, b / p, xo / x, po / p, pp / po }' >> "$work/ratios"
    awk -v r="$round" -v p="$p" -v o="$o" -v x="$x" -v b="$b" -v xo="$xo" -v po="$po" -v pp="$pp" \
        'BEGIN { printf "round %d: pbf %.2f s, osmium %.2f s, xml %.2f s, bbox %.2f s, osm format from xml %.2f s, from pbf %.2f s, as pbf %.2f s\n", r, p, o, x, b, xo, po, pp }'
done

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
printf 'input: osm-bench-mix, XML %.1f MB, PBF %.1f MB; %d rounds; bbox %s\n' \
    "$(awk -v b="$(stat -c %s "$work/bench.osm")" 'BEGIN { print b / 1e6 }')" \
    "$(awk -v b="$(stat -c %s "$work/bench.osm.pbf")" 'BEGIN { print b / 1e6 }')" "$rounds" "$bbox"
printf '%-40s %9s %10s\n' program "median s" "peak MiB"
for tool in $tools; do
    case $tool in
        pbf) name="pelagor-extract bench.osm.pbf" ;;
        osmium) name="osmium tags-filter bench.osm.pbf" ;;
        xml) name="pelagor-extract bench.osm" ;;
        bbox) name="pelagor-extract --bbox bench.osm.pbf" ;;
        xmlosm) name="pelagor-extract --format osm bench.osm" ;;
        pbfosm) name="pelagor-extract --format osm bench.osm.pbf" ;;
        pbfosmpbf) name="  the same, -o out.osm.pbf" ;;
    esac
    awk -v n="$name" -v s="$(median < "$work/$tool.s")" -v k="$(median < "$work/$tool.kib")" \
        'BEGIN { printf "%-40s %9.2f %10.1f\n", n, s, k / 1024 }'
done
echo "kept with --bbox: $(grep -A5 '^Creating output' "$work/bbox/log.txt" | tail -n 5 | tr -s ' ' | tr '\n' ' ')"
printf 'median ratios: pbf/osmium %.3f (target <= 0.25), pbf/xml %.3f (target <= 0.143), bbox/pbf %.3f (target <= 1.5)\n' \
    "$(cut -d' ' -f1 "$work/ratios" | median)" "$(cut -d' ' -f2 "$work/ratios" | median)" \
    "$(cut -d' ' -f3 "$work/ratios" | median)"
printf 'median ratios: osm format/default from xml %.3f (target <= 1.3), from pbf %.3f (target <= 1.3); writing pbf/xml %.3f\n' \
    "$(cut -d' ' -f4 "$work/ratios" | median)" "$(cut -d' ' -f5 "$work/ratios" | median)" \
    "$(cut -d' ' -f6 "$work/ratios" | median)"
osmium cat --no-progress -f opl -o "$work/xml.opl" "$work"/pbfosm/data/comp/*.osm
osmium cat --no-progress -f opl -o "$work/pbf.opl" "$work/pbfosmpbf/out.osm.pbf"
cmp -s "$work/xml.opl" "$work/pbf.opl" || echo "the file for other tools as PBF holds other objects than as XML"
echo "osm format file: XML $(stat -c %s "$work"/pbfosm/data/comp/*.osm) bytes, PBF $(stat -c %s "$work/pbfosmpbf/out.osm.pbf") bytes"
echo "peak_mib_pbf=$(awk -v k="$(median < "$work/pbf.kib")" 'BEGIN { printf "%.1f", k / 1024 }')"

#!/bin/sh
# Builds the seed corpora of both fuzz targets into OUT/extraction and OUT/merge:
# the crafted documents of fuzz/corpus plus slices of the real pieces beside the project.
# Usage: fuzz/make-corpus.sh OUT [SHARED_DATA]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=${1:?usage: make-corpus.sh OUT [SHARED_DATA]}
shared=${2:-$here/../tests/data}
pieces=$shared/moscow-selection
mkdir -p "$out/extraction" "$out/merge"
cp "$here"/corpus/extraction/* "$out/extraction/"
cp "$here"/corpus/merge/* "$out/merge/"

# A slice: the declaration and <osm> line of a piece, whole objects from the first line that
# matches PATTERN on until about LINES lines are taken, then the closing tag.
slice() { # FILE PATTERN LINES
    awk -v pattern="$2" -v lines="$3" '
        NR <= 2 { print; next }
        !started && $0 ~ pattern { started = 1 }
        started && taken < lines {
            print; ++taken
            # Stop only after an object has ended, so the slice stays well-formed.
            if (taken >= lines && $0 !~ /^ (<\/(node|way|relation)>|<node .*\/>)$/) --taken
        }
        END { print "</osm>" }' "$1"
}

n=0
for piece in "$pieces"/*.osm; do
    n=$((n + 1))
    slice "$piece" '^ <node' 30 > "$out/extraction/nodes-$n.osm"
    slice "$piece" '^ <way' 60 > "$out/extraction/ways-$n.osm"
    slice "$piece" '^ <relation' 120 > "$out/extraction/relations-$n.osm"
    # Stops with the ways and relations that use them are rarely next to each other in a
    # real piece; a mix of all three parts gives the readers something to connect.
    { slice "$piece" '^ <node' 80 | sed '$d'; slice "$piece" '^ <way' 40 | sed '1,2d;$d'
      slice "$piece" '^ <relation' 40 | sed '1,2d'; } > "$out/extraction/mixed-$n.osm"
done

# Merge inputs: two to four slices joined by the byte 0xff, the target's piece separator.
sep=$(printf '\377')
i=0
set -- "$out"/extraction/nodes-*.osm
for first in "$@"; do
    i=$((i + 1))
    second=$out/extraction/ways-$i.osm
    third=$out/extraction/relations-$i.osm
    { cat "$first"; printf '%s' "$sep"; cat "$second"; } > "$out/merge/two-$i.osm"
    { cat "$first"; printf '%s' "$sep"; cat "$second"; printf '%s' "$sep"; cat "$third"
      printf '%s' "$sep"; cat "$out/extraction/mixed-$i.osm"; } > "$out/merge/four-$i.osm"
done
echo "make-corpus: $(ls "$out/extraction" | wc -l) extraction seeds, $(ls "$out/merge" | wc -l) merge seeds in $out"

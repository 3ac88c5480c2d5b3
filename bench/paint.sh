#!/usr/bin/env bash
# Painting cost of the map with both views on, over a city-sized network.
#   bench/paint.sh [BUILD_DIR] [ROUNDS] [FACTOR] [--wall]
# Lays FACTOR (a square number, default 144 = 12 x 12) copies of the real sample pieces
# (../shared/data/moscow-selection) side by side with pelagor-scale-pieces, makes their
# network file with pelagor-extract (144 copies: about 114,000 way segments), and has
# pelagor-paint-bench paint a 1920 x 1080 map over it with the piece files and the network
# shown (--wall: wall-clock times instead of processor times). Everything generated stays in
# a temporary folder.
# Build first: cmake -S . -B build-perf -DCMAKE_BUILD_TYPE=Release &&
#              cmake --build build-perf --target pelagor-paint-bench pelagor-scale-pieces pelagor-extract
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
rounds=${2:-15}
factor=${3:-144}
extra=("${@:4}")
work=$(mktemp -d /tmp/pelagor-paint.XXXXXX)
trap 'rm -rf "$work"' EXIT

"$build/bench/pelagor-scale-pieces" "$root/../shared/data/moscow-selection" "$work/pieces" "$factor" > /dev/null
mkdir -p "$work/run"
(cd "$work/run" && "$build/tools/pelagor-extract" "$work/pieces" > /dev/null 2> "$work/extract.err")
network=$(ls "$work"/run/data/comp/*.osm)
"$build/bench/pelagor-paint-bench" --rounds "$rounds" "${extra[@]}" "$network" "$work/pieces"

#!/usr/bin/env bash
# The screenshots of docs/, taken as a person sees the window: pelagor-map-preview under Xvfb,
# the screen grabbed with ImageMagick's import and cut to the window.
#   bench/screenshots.sh [BUILD_DIR]
# - docs/map-views.png: display scale 1, the selection of the eight sample pieces of Moscow,
#   the downloaded pieces, the network and its problems shown, the first row of the list of
#   problems under the map chosen (the map centred on it at zoom 16, its ring marked).
# - docs/map-views-scale-2.png: display scale 2 (QT_SCALE_FACTOR=2), the selection at
#   zoom 15 with the same views, without a connection to the tile servers: the map shows the
#   tiles an earlier look at its western part left in data/map_tiles/, and the status bar says
#   why the rest is grey. The list of problems is scrolled to the last findings inside the
#   area and the first, dimmed, at its edge.
# Needs a build with tests and benchmarks (scripts/test makes one) and Debian's xvfb and
# imagemagick. Works in a temporary folder: five of the eight pieces downloaded a day, a month
# and half a year ago, a quadrant of a refused piece, the network file of all eight as
# pelagor-extract writes it in the osm format for the selection, and a home folder of its own.
# Xvfb runs on display :9, or $PELAGOR_DISPLAY.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
display=${PELAGOR_DISPLAY:-:9}
preview=$build/bench/pelagor-map-preview
work=$(mktemp -d /tmp/pelagor-shots.XXXXXX)
xvfb=
cleanup() {
    if [ -n "$xvfb" ]; then kill "$xvfb" 2> /dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT

pieces=$root/tests/data/moscow-selection
quadrants=$root/tests/data/moscow-selection-quadrants
# A home of its own: Qt's HTTP cache of the tiles and the settings start empty.
mkdir -p "$work/home" "$work/data/download" "$work/data/comp"
put() { # AGE FILE...: downloaded that long ago
    local age=$1
    shift
    for file in "$@"; do
        cp "$file" "$work/data/download/"
        touch -d "$age ago" "$work/data/download/$(basename "$file")"
    done
}
put "1 day" "$pieces/37.595-55.806-37.605-55.816.osm" "$pieces/37.615-55.806-37.622-55.816.osm" \
    "$pieces/37.615-55.816-37.622-55.823.osm"
put "30 days" "$pieces/37.605-55.806-37.615-55.816.osm"
put "200 days" "$pieces/37.595-55.816-37.605-55.823.osm"
put "2 days" "$quadrants/37.585-55.811-37.59-55.816.osm"
# A fixed name, so that the legend reads the same in every shot. The osm format of the
# selection carries the area in its bounds, so that the problems at its edge show as such.
(cd "$work" && "$build/tools/pelagor-extract" --format osm --bbox 37.5852,55.8062,37.6218,55.8228 \
    -o data/comp/2026-03-02_09-41-17.osm "$pieces" > /dev/null 2>&1)

Xvfb "$display" -screen 0 2400x1500x24 -nolisten tcp > /dev/null 2>&1 &
xvfb=$!
until xwininfo -display "$display" -root > /dev/null 2>&1; do sleep 0.2; done

views=(--select 37.5852,55.8062,37.6218,55.8228 --pieces --network --problems)
# shoot OUTPUT [VAR=VALUE...] -- PREVIEW-ARGUMENTS...: an empty OUTPUT only lets the map settle.
shoot() {
    local output=$1
    shift
    local environment=()
    while [ "$1" != "--" ]; do
        environment+=("$1")
        shift
    done
    shift
    (cd "$work" && exec env DISPLAY="$display" HOME="$work/home" "${environment[@]}" "$preview" "$@" > preview.out 2> preview.err) &
    local pid=$!
    until grep -q '^settled$' "$work/preview.out" 2> /dev/null; do
        if ! kill -0 "$pid" 2> /dev/null; then
            cat "$work/preview.err" >&2
            echo "screenshots.sh: the preview ended before the map settled" >&2
            exit 1
        fi
        sleep 0.2
    done
    if [ -n "$output" ]; then
        local info x y w h
        info=$(xwininfo -display "$display" -name "Pelagor for Dorvex")
        x=$(awk '/Absolute upper-left X/ {print $4}' <<< "$info")
        y=$(awk '/Absolute upper-left Y/ {print $4}' <<< "$info")
        w=$(awk '/Width:/ {print $2}' <<< "$info")
        h=$(awk '/Height:/ {print $2}' <<< "$info")
        import -display "$display" -window root -crop "${w}x${h}+${x}+${y}" +repage "$output"
        echo "$output: ${w}x${h}"
    fi
    kill "$pid"
    wait "$pid" 2> /dev/null || true
    rm -f "$work/preview.out"
}

# The western part of the selection looked at online, then the whole without a connection:
# only the tiles of that look are on disk. The shot at scale 1 comes last, since it caches more.
shoot "" -- "${views[@]}" --zoom 15 --center 55.8145,37.5790
shoot "$root/docs/map-views-scale-2.png" QT_SCALE_FACTOR=2 -- "${views[@]}" --zoom 15 --center 55.8145,37.6045 --offline \
    --list-from 52
shoot "$root/docs/map-views.png" -- "${views[@]}" --problem 1

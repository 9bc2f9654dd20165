#!/usr/bin/env bash
# `make interop`: checks varnhold-map's TMX export with a real TMX reader, Debian's tiled package.
# A generated map (bottom layer full of opaque tiles; top layer of a colour-keyed and a translucent
# tile set; pass flags) is exported to TMX in a folder of its own, drawn by tiled's tmxrasterizer
# without the pass layer, and compared with varnhold-map's own picture of the map without grid
# lines at zoom 1.0. Channels one apart are counted and located; anything more fails.
# Usage: scripts/interop-tmx.sh [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)

"$root/scripts/install-deps.sh" tiled
cmake --build "$build" --target varnhold-map varnhold-interop-data varnhold-imagediff >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir tmx

# Tile-set names in a map file are relative to the current folder.
"$build/mapcli/varnhold-interop-data" .
echo "== varnhold-map check"
"$build/varnhold-map" check interop.map
echo "== varnhold-map export, then tmxrasterizer"
"$build/varnhold-map" export interop.map -o tmx/interop.tmx
QT_QPA_PLATFORM=offscreen tmxrasterizer --no-smoothing --hide-layer pass tmx/interop.tmx tiled.png \
    2> >(grep -v 'XDG_RUNTIME_DIR' >&2)
echo "== varnhold-map render --no-grid --zoom 1.0"
"$build/varnhold-map" render interop.map --no-grid --zoom 1.0 -o varnhold.png
echo "== Comparing the pictures"
"$build/mapcli/varnhold-imagediff" tiled.png varnhold.png

#!/usr/bin/env bash
# `make interop`: checks varnhold-map's TMX export and import and its PNG files with a real TMX reader,
# Debian's tiled package.
# Export: a generated map (bottom layer full of opaque tiles; top layer of a colour-keyed and a translucent
# tile set; pass flags) is exported to TMX in a folder of its own, drawn by tiled's tmxrasterizer without
# the pass layer, and compared with varnhold-map's own picture of the map without grid lines at zoom 1.0.
# Channels one apart are counted and located; anything more fails. That picture, as varnhold-map's PNG
# encoder wrote it, is then read by tmxrasterizer's image loader as a tile set of one tile and drawn
# again, which must give the same pixels.
# Import: generated TMX maps of 16, 24 and 32-pixel tiles (several layers and encodings, opacity, groups,
# flips, margin and spacing, transparent colours) are imported, drawn by varnhold-map render, and compared
# with tmxrasterizer's drawing at 40 pixels a tile, without the pass and object layers: only blending
# rounding (channels two apart) and nearest-neighbour sampling differences are allowed.
# Last, both programs draw the same map of 255 x 255 cells at zoom 0.2, and their times are printed side
# by side (the median of three runs each, whole processes; not checked, since the machine may be busy).
# Usage: scripts/interop-tmx.sh [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)

"$root/scripts/install-deps.sh" tiled
cmake --build "$build" --target varnhold-map varnhold-interop-data varnhold-interop-tmx varnhold-imagediff >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir tmx imported

rasterize() {
    QT_QPA_PLATFORM=offscreen tmxrasterizer --no-smoothing "$@" 2> >(grep -v 'XDG_RUNTIME_DIR' >&2)
}

# Tile-set names in a map file are relative to the current folder.
"$build/mapcli/varnhold-interop-data" .
echo "== varnhold-map check"
"$build/varnhold-map" check interop.map
echo "== varnhold-map export, then tmxrasterizer"
"$build/varnhold-map" export interop.map -o tmx/interop.tmx
rasterize --hide-layer pass tmx/interop.tmx tiled.png
echo "== varnhold-map render --no-grid --zoom 1.0"
"$build/varnhold-map" render interop.map --no-grid --zoom 1.0 -o varnhold.png
echo "== Comparing the pictures"
"$build/mapcli/varnhold-imagediff" tiled.png varnhold.png

echo "== varnhold-map import of the export: the same map file"
"$build/varnhold-map" import tmx/interop.tmx -o imported/interop.map
cmp interop.map imported/interop.map

for map in $("$build/mapcli/varnhold-interop-tmx" imported); do
    name=${map%.tmx}
    echo "== varnhold-map import of $map, then render and tmxrasterizer --tilesize 40"
    "$build/varnhold-map" import "imported/$map" -o "imported/$name.map"
    "$build/varnhold-map" check "imported/$name.map"
    "$build/varnhold-map" render "imported/$name.map" --no-grid -o "imported/$name-varnhold.png"
    rasterize --tilesize 40 --hide-layer pass --hide-layer spawns "imported/$map" "imported/$name-tiled.png"
    echo "== Comparing the pictures of $map"
    "$build/mapcli/varnhold-imagediff" --sampling "imported/$name-tiled.png" "imported/$name-varnhold.png"
done

echo "== tmxrasterizer reading varnhold-map's PNG file"
read -r width height < <(python3 -c 'import struct, sys
header = open(sys.argv[1], "rb").read(24)
print(*struct.unpack(">II", header[16:24]))' varnhold.png)
cat > tmx/picture.tmx <<TMX
<?xml version="1.0" encoding="UTF-8"?>
<map version="1.8" orientation="orthogonal" renderorder="right-down" width="1" height="1" tilewidth="$width" tileheight="$height" infinite="0" nextlayerid="2" nextobjectid="1">
 <tileset firstgid="1" name="picture" tilewidth="$width" tileheight="$height" tilecount="1" columns="1">
  <image source="../varnhold.png" width="$width" height="$height"/>
 </tileset>
 <layer id="1" name="picture" width="1" height="1">
  <data encoding="csv">1</data>
 </layer>
</map>
TMX
rasterize tmx/picture.tmx read.png
"$build/mapcli/varnhold-imagediff" read.png varnhold.png

# The median of three runs of a command, in milliseconds.
median_ms() {
    local times=() start
    for _ in 1 2 3; do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        times+=($(( ($(date +%s%N) - start) / 1000000 )))
    done
    printf '%s\n' "${times[@]}" | sort -n | sed -n 2p
}

echo "== Speed: a 255 x 255 map drawn at zoom 0.2 by both programs"
"$build/varnhold-map" export large.map -o tmx/large.tmx
ours=$(median_ms "$build/varnhold-map" render large.map --zoom 0.2 -o large-varnhold.png)
theirs=$(median_ms rasterize --hide-layer pass --scale 0.2 tmx/large.tmx large-tiled.png)
echo "varnhold-map render: $ours ms; tmxrasterizer: $theirs ms; $(awk -v a="$theirs" -v b="$ours" \
    'BEGIN { printf "%.1f", a / (b > 0 ? b : 1) }') times as fast"

#!/usr/bin/env bash
# Regenerates every compiled-in image under resources/images/ from its drawing in
# resources/images/src/<name>.svg, and the application icon that `make install` puts into the
# hicolor theme, resources/icons/hicolor/<size>/apps/varnhold.png, from icon.svg. The build uses
# the rendered files as committed; run this after changing a drawing and commit both.
#
# Needs rsvg-convert (Debian package librsvg2-bin) and ImageMagick (package imagemagick).
# Usage: scripts/render-images.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
src="$root/resources/images/src"
out="$root/resources/images"

# ImageMagick's own binaries only: another "convert" earlier on PATH is not good enough.
if [ -x /usr/bin/magick ]; then
    im=(/usr/bin/magick)
elif [ -x /usr/bin/convert ]; then
    im=(/usr/bin/convert)
else
    echo "render-images: ImageMagick is missing; install the Debian package imagemagick" >&2
    exit 1
fi
if ! "${im[@]}" -version 2>/dev/null | grep -q ImageMagick; then
    echo "render-images: ${im[0]} is not ImageMagick" >&2
    exit 1
fi
if ! command -v rsvg-convert >/dev/null 2>&1; then
    echo "render-images: rsvg-convert is missing; install the Debian package librsvg2-bin" >&2
    exit 1
fi

# The canvas masks passyes.png, passno.png and Cursor1.bmp with createHeuristicMask(), which
# clears the colour of the corner pixels from the edges inward. Their drawings are therefore
# flattened onto this key colour, which no drawing uses.
key='#FF00FF'

# No timestamps or other metadata, so that rendering twice gives identical files.
png_out=(-strip -define png:exclude-chunks=date,time,tEXt,zTXt,iTXt)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

render() { # name size -> $work/name.png, RGBA with the drawing's anti-aliased edges
    rsvg-convert --width "$2" --height "$2" --output "$work/$1.png" "$src/$1.svg"
}

# A toolbar icon or an unmasked canvas image: RGBA on a transparent background.
icon() { # name size
    render "$1" "$2"
    "${im[@]}" "$work/$1.png" "${png_out[@]}" "PNG32:$out/$1.png"
}

# Every pixel either fully drawing or fully key colour: an edge pixel half blended into the key
# colour would survive the mask as a pink fringe.
keyed() { # name size output-options... output
    render "$1" "$2"
    "${im[@]}" "$work/$1.png" \
        \( +clone -alpha extract -threshold 50% \) -alpha off -compose CopyOpacity -composite \
        -background "$key" -compose Over -flatten "${@:3}"
}

for name in icon new bluefolder save copy cut paste grid toplayer paint squares erase select \
            pass find start2 start random; do
    icon "$name" 32
done
icon folder48 48
icon saveall48 48

keyed passyes 32 "${png_out[@]}" "PNG32:$out/passyes.png"
keyed passno 32 "${png_out[@]}" "PNG32:$out/passno.png"
keyed Cursor1 80 -alpha off -type TrueColor "BMP3:$out/Cursor1.bmp"

echo "render-images: wrote 23 images to $out"

# The application icon at the theme's usual sizes; the SVG itself is installed as the scalable one.
for size in 16 32 48 64 128 256; do
    mkdir -p "$root/resources/icons/hicolor/${size}x${size}/apps"
    render icon "$size"
    "${im[@]}" "$work/icon.png" "${png_out[@]}" "PNG32:$root/resources/icons/hicolor/${size}x${size}/apps/varnhold.png"
done
echo "render-images: wrote the application icon at 6 sizes to $root/resources/icons/hicolor"

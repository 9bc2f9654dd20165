#!/usr/bin/env bash
# `make install-check`: installs the build into a temporary prefix, as `make install PREFIX=...`
# does, and checks what a desktop finds there: both programs, a desktop entry that
# desktop-file-validate accepts and whose program, icon and map MIME type are installed (the type
# read by update-mime-database), and the icon in the hicolor theme at every size.
# Usage: scripts/install-check.sh [BUILD_DIR]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)

"$root/scripts/install-deps.sh" desktop-file-utils shared-mime-info

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() {
    echo "install-check: $*" >&2
    exit 1
}

entry="$prefix/share/applications/varnhold.desktop"
[ -f "$entry" ] || fail "no desktop entry at share/applications/varnhold.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate refuses $entry"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
icon_name=$(sed -n 's/^Icon=//p' "$entry")
for program in varnhold varnhold-map; do
    [ -x "$prefix/bin/$program" ] || fail "bin/$program is not installed"
done
[ -x "$prefix/bin/$exec_name" ] || fail "the entry starts $exec_name, which is not installed"
grep -q '^Exec=[^ ]* %f$' "$entry" || fail "the entry does not hand the editor a file (%f)"

mime_type=$(sed -n 's/^MimeType=\([^;]*\);$/\1/p' "$entry")
[ -n "$mime_type" ] || fail "the entry names no MIME type of its own"
# Named on the search path, so that it does not warn that desktops would not look there.
XDG_DATA_DIRS="$prefix/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}" \
    update-mime-database "$prefix/share/mime" || fail "update-mime-database refuses share/mime/packages"
[ -f "$prefix/share/mime/$mime_type.xml" ] || fail "no MIME type $mime_type is installed"
grep -q 'pattern="\*\.map"' "$prefix/share/mime/$mime_type.xml" || fail "$mime_type does not match *.map"

icons="$prefix/share/icons/hicolor"
[ -f "$icons/scalable/apps/$icon_name.svg" ] || fail "no scalable icon $icon_name.svg"
for size in 16 32 48 64 128 256; do
    png="$icons/${size}x${size}/apps/$icon_name.png"
    [ -f "$png" ] || fail "no ${size}x${size} icon"
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    read -r -a bytes < <(od -An -tu1 -j16 -N8 "$png")
    width=$(( (bytes[0] << 24) | (bytes[1] << 16) | (bytes[2] << 8) | bytes[3] ))
    height=$(( (bytes[4] << 24) | (bytes[5] << 16) | (bytes[6] << 8) | bytes[7] ))
    [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "$png is $width x $height"
done

"$prefix/bin/varnhold-map" --version
echo "install-check: the desktop entry, the map type $mime_type, both programs and the icon at 6 sizes and as SVG are installed"

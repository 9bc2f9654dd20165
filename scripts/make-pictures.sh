#!/usr/bin/env bash
# Remakes the README's two pictures of the sample in examples/:
#   docs/editor.png      the editor's window with sample.map open, on a
#                        virtual screen (Xvfb) under a window manager
#                        (openbox), as a user sees it;
#   docs/sample-map.png  the map as `varnhold-map render` draws it
#                        (scripts/render-sample.sh), which `make test`
#                        compares with the map.
# Run it after changing the window or the sample, and commit the pictures.
# Installs Xvfb, openbox and ImageMagick when they are missing.
#
# Usage: scripts/make-pictures.sh [build-folder]   (default: build)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
for program in varnhold varnhold-map; do
    if [ ! -x "$build/$program" ]; then
        echo "make-pictures: $build/$program is not built; run 'make programs' first." >&2
        exit 1
    fi
done
"$root/scripts/install-deps.sh" xvfb openbox imagemagick x11-utils

"$root/scripts/render-sample.sh" "$build/varnhold-map" "$root/docs/sample-map.png"
echo "make-pictures: wrote docs/sample-map.png"

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

# A screen a little larger than the window and its frame, so that the window
# is captured whole.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1260x870x24 -nolisten tcp 2>"$work/xvfb.log" &
pids+=($!)
exec 3>&-
for _ in $(seq 50); do
    [ -s "$work/display" ] && break
    sleep 0.2
done
if [ ! -s "$work/display" ]; then
    echo "make-pictures: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi
DISPLAY=":$(cat "$work/display")"
export DISPLAY

openbox --config-file /dev/null >"$work/openbox.log" 2>&1 &
pids+=($!)
# The editor in the sample's folder, as `make run` starts it; the home folder
# is a new one, so that no settings of a user's own change the window.
(cd "$root/examples" && HOME="$work" QT_QPA_PLATFORM=xcb exec "$build/varnhold" -geometry 1200x800+20+20 sample.map) \
    >"$work/varnhold.log" 2>&1 &
pids+=($!)

window=
for _ in $(seq 100); do
    window=$(xwininfo -root -tree | awk '/"sample.map - Varnhold"/ && !found { print $1; found = 1 }')
    [ -n "$window" ] && break
    sleep 0.2
done
if [ -z "$window" ]; then
    echo "make-pictures: the editor's window did not appear:" >&2
    cat "$work/varnhold.log" >&2
    exit 1
fi
# Time for the tile sets to decode and the map to be painted.
sleep 4
/usr/bin/import -window "$window" -frame -strip -define png:exclude-chunks=date,time "$root/docs/editor.png"
echo "make-pictures: wrote docs/editor.png"

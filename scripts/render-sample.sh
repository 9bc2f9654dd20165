#!/usr/bin/env bash
# Draws the sample map examples/sample.map as the README shows it, with
# varnhold-map render, into OUT.png: the picture that scripts/make-pictures.sh
# commits as docs/sample-map.png and that scripts/check-sample.sh compares
# with it.
#
# Usage: scripts/render-sample.sh VARNHOLD-MAP OUT.png
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "Usage: scripts/render-sample.sh VARNHOLD-MAP OUT.png" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "$1")
out=$(realpath "$2")

# varnhold-map finds tile sets from the current folder, as the editor
# started there does.
cd "$root/examples"
"$program" render sample.map -o "$out" --zoom 0.5 --no-grid --compression small

#!/usr/bin/env bash
# Keeps the sample from rotting: examples/sample.map must pass
# `varnhold-map check`, and its rendering must equal, pixel for pixel, the
# picture docs/sample-map.png that the README shows.
#
# Usage: scripts/check-sample.sh VARNHOLD-MAP IMAGEDIFF
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "Usage: scripts/check-sample.sh VARNHOLD-MAP IMAGEDIFF" >&2
    exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "$1")
imagediff=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$root/examples" && "$program" check sample.map)
"$root/scripts/render-sample.sh" "$program" "$work/sample-map.png"
if ! "$imagediff" --exact "$root/docs/sample-map.png" "$work/sample-map.png"; then
    echo "check-sample: the sample map no longer draws as docs/sample-map.png; if the change is meant," \
        "run scripts/make-pictures.sh and commit the pictures." >&2
    exit 1
fi

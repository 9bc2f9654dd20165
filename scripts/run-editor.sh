#!/usr/bin/env bash
# Starts the editor in the folder that holds your maps and tile sets, or
# explains how to when there is no display to open it on.
#
# Usage: scripts/run-editor.sh [folder [map]]
#
# The editor names every tile set by its path relative to the folder it was
# started in, and its file dialogs open there; so start it in your game's
# folder (default: the current one). A map, named relative to that folder,
# is opened at start. The editor is build/varnhold beside this script, or
# $VARNHOLD_EDITOR.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
editor=${VARNHOLD_EDITOR:-$root/build/varnhold}
folder=${1:-.}
map=${2:-}
# `make run DIR=~/x` run from a shell that leaves the tilde alone: the tilde
# is matched literally here, on purpose.
# shellcheck disable=SC2088
case $folder in
"~") folder=$HOME ;;
"~/"*) folder=$HOME/${folder#"~/"} ;;
esac

if [ ! -d "$folder" ]; then
    echo "run-editor: there is no folder $folder; name the folder that holds your maps and tile sets." >&2
    exit 1
fi
folder=$(cd "$folder" && pwd)
if [ ! -x "$editor" ]; then
    echo "run-editor: the editor $editor is not built; run 'make run' first." >&2
    exit 1
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<MSG
Varnhold is built ($editor), but there is no display to open its window on:
neither DISPLAY nor WAYLAND_DISPLAY is set.

Start it from a desktop session, or with a display of its own, in the folder
of your maps and tile sets, for example:
    cd $folder && xvfb-run -s '-screen 0 1280x1024x24' $editor $map     (apt-get install xvfb)
or over the network with Qt's VNC platform, then connect a VNC viewer to port 5900:
    cd $folder && QT_QPA_PLATFORM=vnc $editor $map     (apt-get install qt6-qpa-plugins)
MSG
    exit 1
fi

echo "run-editor: starting Varnhold in $folder; tile sets are named by their paths from there."
cd "$folder"
exec "$editor" ${map:+"$map"}

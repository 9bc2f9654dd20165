#!/usr/bin/env bash
# Starts the editor, or explains how to when there is no display to open it on.
set -eu
editor=$1
shift

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    cat >&2 <<MSG
Varnhold is built ($editor), but there is no display to open its window on:
neither DISPLAY nor WAYLAND_DISPLAY is set.

Start it from a desktop session, or with a display of its own, for example:
    xvfb-run -s '-screen 0 1280x1024x24' $editor     (apt-get install xvfb)
or over the network with Qt's VNC platform, then connect a VNC viewer to port 5900:
    QT_QPA_PLATFORM=vnc $editor     (apt-get install qt6-qpa-plugins)
MSG
    exit 1
fi

exec "$editor" "$@"

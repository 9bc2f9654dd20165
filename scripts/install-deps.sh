#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Varnhold need,
# but only those that are missing: a second run asks no package server anything.
# Usage: scripts/install-deps.sh [extra-package ...]
set -euo pipefail

packages=(
    cmake make g++ pkg-config
    qt6-base-dev      # Qt Core, Gui, Concurrent, Widgets, Test; the offscreen, xcb, JPEG and GIF plugins come with it
    libqt6gui6        # holds Qt's image-format plugins (JPEG) and platform plugins
    fonts-dejavu-core # Qt needs at least one font to lay out text, also offscreen
    zlib1g-dev        # zlib and gzip layer data and .tmx.gz files of TMX maps
    libzstd-dev       # zstd layer data of TMX maps
    libdeflate-dev    # the small compression of varnhold-map's PNG files, and their CRCs
    libisal-dev       # the fast compression of varnhold-map's PNG files
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all ${#packages[@]} packages are present."
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    sudo=()
elif command -v sudo >/dev/null 2>&1; then
    sudo=(sudo)
else
    echo "install-deps: not root and sudo is not available; install these as root: ${missing[*]}" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"

#!/usr/bin/env bash
# Fails when a folder of the program includes a header of a folder above it:
# the layers depend only downward (see CMakeLists.txt). Prints each such
# include as FILE:LINE: include. Given the path of varnhold-map, also fails
# when that program links QtWidgets: the layers below the widgets must not
# pull them in.
set -u
cd "$(dirname "$0")/.."

# The folders each folder may include from, itself included.
declare -A allowed=(
    [model]="model"
    [mapfile]="model mapfile"
    [render]="model render"
    [tmx]="model mapfile render tmx"
    [document]="model mapfile render tmx document"
    [canvas]="model mapfile render tmx document canvas"
    [palette]="model mapfile render tmx document palette"
    [app]="model mapfile render tmx document canvas palette app"
    [mapcli]="model mapfile render tmx document mapcli"
)

status=0
for folder in "${!allowed[@]}"; do
    while IFS= read -r hit; do
        [ -n "$hit" ] || continue
        included=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$hit")
        case " ${allowed[$folder]} " in
            *" $included "*) ;;
            *) echo "$hit"; status=1 ;;
        esac
    done < <(grep -rnE '#include "[^/"]+/' "$folder" --include='*.cpp' --include='*.h' 2>/dev/null)
done
[ "$status" -eq 0 ] || echo "These includes reach a layer above their own."

if [ $# -ge 1 ]; then
    if ! libraries=$(ldd "$1"); then
        echo "ldd cannot read $1"
        status=1
    elif grep -q 'libQt6Widgets' <<<"$libraries"; then
        echo "$1 links QtWidgets, which no layer below the widgets may pull in:"
        grep 'libQt6Widgets' <<<"$libraries"
        status=1
    fi
fi
exit "$status"

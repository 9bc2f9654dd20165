#pragma once

#include "mapfile/mapdata.h"

#include <QByteArray>
#include <QString>

// Parses a whole map file: the tile-set count and names, "W H", then the top
// and the bottom layer's cell records. Tokens are separated by any run of
// spaces, tabs, CR, LF, VT or FF, so the line structure does not matter; a
// UTF-8 byte-order mark at the start is skipped.
// On failure returns false, leaves *data untouched and sets *error to a
// one-line reason that names the line (ended by LF, CR LF or CR) and what was expected,
// e.g. "line 7: expected a pass flag (0 or 1), found "2"". Touches no widget.
bool parseMapFile(const QByteArray& bytes, MapData* data, QString* error);

// Whether the map file reader takes this byte as a token separator.
constexpr bool isMapFileSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

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

// Whether the byte at `at`, before `end`, ends a line of a map file: an LF,
// the LF of a CR LF, or a CR on its own.
inline bool endsMapFileLine(const char* at, const char* end)
{
    return *at == '\n' || (*at == '\r' && (at + 1 == end || at[1] != '\n'));
}

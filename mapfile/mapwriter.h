#pragma once

#include "mapfile/mapdata.h"

#include <QByteArray>
#include <QString>

// The whole map file in one buffer: the tile-set count, one name per line,
// "W H", then the top and the bottom layer, one "set tile pass" record per
// line, row by row, each line ended by "\n". `data` should have no
// mapDataProblem(); otherwise the result may not read back the same.
QByteArray formatMapFile(const MapData& data);

// Why a name cannot be stored as one token of a map file and read back
// (empty, holds a separator, or a character outside Latin-1); an empty string
// when it can. The palette refuses such names at load and the writer at save.
QString tileSetNameProblem(const QString& name);

// Why `data` cannot be written as a map file that reads back exactly as
// `data` (a bad name, which it names, too many tile sets, a size out of
// range, layers of the wrong length, a record out of range); an empty string
// when it can.
QString mapDataProblem(const MapData& data);

#pragma once

#include "tmx/tiledmap.h"

#include <QString>

// The largest map, in cells a side, that a TMX import takes: the largest
// the editor makes.
constexpr int MaxTmxMapSide = 255;

// All the cells that the layers of one map may hold together, counted
// before they are decoded: 128 MB of ids, far above any real map.
constexpr qint64 MaxTmxLayerCells = qint64(1) << 25;

// Reads a TMX map file of Tiled, plain or gzip-compressed, with the TSX
// files of its tile sets: its tile sets, its tile layers in drawing order
// with the visibility, opacity and offset of their groups applied, and the
// object and image layers counted. Only orthogonal maps of at most
// MaxTmxMapSide cells a side are read. The data of a hidden tile layer is
// not read, except a pass layer's (see isPassLayerName). False with one
// line naming the file (as `path` names it) and the line of the problem:
// a file that cannot be read, XML that is not well-formed, another
// orientation, a map too large, layer data that does not decode to the
// layer's cells.
bool readTiledMap(const QString& path, TiledMap* map, QString* error);

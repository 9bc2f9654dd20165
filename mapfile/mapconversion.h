#pragma once

#include "canvas/worldmap.h"
#include "mapfile/mapdata.h"

#include <QByteArray>
#include <QStringList>

class QIODevice;

// The map as a map file stores it: the loaded tile sets in load order, then
// the sets that cells use but that are not loaded, so that saving such a map
// loses nothing; a cell's set index is the first position of its set's name.
MapData mapDataOf(const WorldMap& map);

// The names a map file of `map` lists, in the order of mapDataOf().
QStringList mapFileNames(const WorldMap& map);

// Writes the map file of `map`, whose names are `names` = mapFileNames(map),
// to `out`: byte for byte what formatMapFile(mapDataOf(map)) gives, written
// straight from its cells, in pieces, without the records in between. The
// names and the size should have no mapHeaderProblem(). False when a piece
// could not be written whole.
bool writeMapFile(const WorldMap& map, const QStringList& names, QIODevice* out);

// The same file in one buffer.
QByteArray formatMapFile(const WorldMap& map, const QStringList& names);

// The contents a map file gives `map`, for an import from `fileName`. Every
// name the file lists gets a slot of `map`, so that a cell keeps its set's
// name whether or not the set loads. A record without a tile set is an empty
// cell that keeps its pass flag.
MapContents mapContentsOf(const MapData& data, WorldMap& map, const QString& fileName);

#pragma once

#include "model/worldmap.h"
#include "mapfile/mapdata.h"

// The map as a map file stores it: the loaded tile sets in load order, then
// the sets that cells use but that are not loaded, so that saving such a map
// loses nothing; a cell's set index is the first position of its set's name.
MapData mapDataOf(const WorldMap& map);

// The contents a map file gives `map`, for an import from `fileName`, but for
// the loaded tile sets, which the caller adds with their images. Every name
// the file lists gets a slot of `map`, so that a cell keeps its set's name
// whether or not the set loads. A record without a tile set is an empty cell
// that keeps its pass flag.
MapContents mapContentsOf(const MapData& data, WorldMap& map, const QString& fileName);

#pragma once

#include "mapfile/mapdata.h"
#include "tmx/tiledmap.h"

#include <vector>

class TileArtwork;

// What each tile layer of a map is for: the drawn ones (visible, not pass
// layers) in drawing order, the pass layers (whether shown or hidden), and
// how many hidden layers are left out.
struct LayerRoles
{
    std::vector<int> drawn;
    std::vector<int> pass;
    int hidden = 0;
};

LayerRoles layerRoles(const TiledMap& map);

// The tile sets the drawn layers use, by position, ascending.
std::vector<int> drawnTileSets(const TiledMap& map, const LayerRoles& roles, const TileArtwork& art);

// How many cells of the drawn layers hold a tile that `art`, loaded, has
// no image for: an id of no tile set, or beyond its set's tiles.
qint64 unknownTiles(const TiledMap& map, const LayerRoles& roles, const TileArtwork& art);

// Marks passable the top-layer cells of `data` (of the map's size) where
// any pass layer holds a tile.
void addPassFlags(const TiledMap& map, const LayerRoles& roles, MapData* data);

#pragma once

#include "tmx/tiledmap.h"
#include "mapfile/mapdata.h"

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

// The tile sets the drawn layers use, by position, ascending; and how many
// of their cells hold an id of no tile set.
struct DrawnTileSets
{
    std::vector<int> sets;
    qint64 unknownTiles = 0;
};

DrawnTileSets drawnTileSets(const TiledMap& map, const LayerRoles& roles, const TileArtwork& art);

// Marks passable the top-layer cells of `data` (of the map's size) where
// any pass layer holds a tile.
void addPassFlags(const TiledMap& map, const LayerRoles& roles, MapData* data);

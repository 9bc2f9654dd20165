#pragma once

#include "mapfile/mapdata.h"
#include "tmx/tiledmap.h"

#include <vector>

class TileArtwork;

// The map as the editor holds it when it can name the TMX map's own
// tile-set images, as varnhold-map export writes them: the map's tiles and
// every tile set it draws from are 40 x 40 pixels without margin, spacing
// or offset, at most two tile layers are drawn (besides the pass layer), at
// full opacity and without offset or flips, and the editor draws each image
// as Tiled does: an image with transparency that names no transparent
// colour, or an opaque one whose transparent colour is the corner colour
// that the editor clears. Then the first drawn layer is the bottom layer,
// the second the top one, and the tile sets are named in the file's order,
// relative to the current folder; a tile set that no drawn layer uses is
// named too, except the pass layer's own (one the pass layers use, or one
// named "pass"). False, with *data untouched, when the map must be
// converted instead. `usedSets`: the tile sets the drawn layers use, loaded
// in `art`. Pass flags are left to the caller.
bool mapWithOwnTileSets(const TiledMap& map, const std::vector<int>& drawnLayers,
                        const std::vector<int>& passLayers, const std::vector<int>& usedSets,
                        const TileArtwork& art, int tileSide, MapData* data);

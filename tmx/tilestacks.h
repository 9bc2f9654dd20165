#pragma once

#include "tmx/tiledmap.h"

#include <vector>

class TileArtwork;

// One tile drawn over a cell: its id with its flips, where the top-left
// corner of its image lies from the cell's (in the map's pixels; a tile
// larger than a cell, or moved by an offset, reaches over several cells),
// and the opacity of its layer.
struct StackPiece
{
    quint32 gid = 0;
    qint32 x = 0;
    qint32 y = 0;
    float opacity = 1;
};

// What the cells of the two layers of the converted map show: the first
// drawn layer makes the bottom layer, every drawn layer above it the top
// one. Each cell shows a stack of tiles, drawn in order; equal stacks are
// one, whichever layer and cell they are in.
struct TileStacks
{
    // Each distinct stack, in the order first met: the bottom layer's cells
    // row by row, then the top layer's.
    std::vector<std::vector<StackPiece>> stacks;
    // Per cell of the map, row by row: the stack it shows, -1 for none.
    std::vector<int> bottom;
    std::vector<int> top;
};

// The stacks of the map's cells from the tile layers at the positions
// `drawnLayers`, in drawing order. A tile that draws nothing (its layer
// fully transparent, its id in no tile set or beyond its set's tiles) is
// left out of them.
TileStacks collectTileStacks(const TiledMap& map, const std::vector<int>& drawnLayers,
                             const TileArtwork& art);

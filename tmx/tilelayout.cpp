#include "tmx/tilelayout.h"

#include <cmath>

TileImageLayout tileImageLayout(int tiles, int tileSide)
{
    TileImageLayout layout;
    layout.tiles = tiles;
    layout.tileSide = tileSide;
    if (tiles <= 0)
        return layout;
    layout.columns = int(std::ceil(std::sqrt(double(tiles))));
    // The square root of a large number may come out a hair short.
    while (qint64(layout.columns) * layout.columns < tiles)
        ++layout.columns;
    layout.rows = (tiles + layout.columns - 1) / layout.columns;
    return layout;
}

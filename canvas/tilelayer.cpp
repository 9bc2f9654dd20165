#include "canvas/tilelayer.h"

void TileLayer::reset(int width, int height)
{
    // Free the old cells first, so that peak memory is one layer, not two.
    cells.reset();
    cells = std::make_unique<Tile[]>(qsizetype(width) * height);
    layerWidth = width;
    layerHeight = height;
}

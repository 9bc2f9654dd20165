#pragma once

#include "palette/tile.h"

#include <memory>

// One layer of the map: width columns of height cells, indexed [column][row].
// The cells live in one column-major block, so layer[x] is column x.
class TileLayer
{
public:
    TileLayer() = default;
    TileLayer(int width, int height) { reset(width, height); }

    // Replaces every cell by an empty one at the new size.
    void reset(int width, int height);

    int width() const { return layerWidth; }
    int height() const { return layerHeight; }
    bool contains(int x, int y) const
    {
        return x >= 0 && y >= 0 && x < layerWidth && y < layerHeight;
    }

    Tile* operator[](int x) { return cells.get() + qsizetype(x) * layerHeight; }
    const Tile* operator[](int x) const { return cells.get() + qsizetype(x) * layerHeight; }

private:
    std::unique_ptr<Tile[]> cells;
    int layerWidth = 0;
    int layerHeight = 0;
};

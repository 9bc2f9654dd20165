#pragma once

#include "model/worldmap.h"
#include "model/tile.h"

// One layer of a map read as Tile values, indexed [column][row]: the
// canvas's public view of its cells.
class LayerTiles
{
public:
    class Column
    {
    public:
        Tile operator[](int y) const { return map->tile(layer, x, y); }

    private:
        friend class LayerTiles;
        Column(const WorldMap* map, Layer layer, int x)
            : map(map)
            , layer(layer)
            , x(x)
        {
        }
        const WorldMap* map;
        Layer layer;
        int x;
    };

    LayerTiles(const WorldMap& map, Layer layer)
        : map(&map)
        , layer(layer)
    {
    }

    int width() const { return map->width(); }
    int height() const { return map->height(); }
    bool contains(int x, int y) const { return map->cells(layer).contains(x, y); }
    Column operator[](int x) const { return Column(map, layer, x); }

private:
    const WorldMap* map;
    Layer layer;
};

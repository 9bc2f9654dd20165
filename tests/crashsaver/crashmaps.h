#pragma once

#include "mapfile/mapdata.h"

// The two maps that the crash test saves in turn: the largest size a map
// file holds, different tile-set lists and a different record in every
// cell, so that any mix of the two files' bytes shows in a comparison.
inline MapData crashTestMap(int variant)
{
    MapData map;
    map.tileSetNames = variant == 0 ? QStringList { QStringLiteral("grass.png"), QStringLiteral("walls.png") }
                                    : QStringList { QStringLiteral("walls.png"), QStringLiteral("water.png"),
                                                    QStringLiteral("grass.png") };
    map.width = MapData::MaxSide;
    map.height = MapData::MaxSide;
    const size_t cells = size_t(map.width) * size_t(map.height);
    map.top.resize(cells);
    map.bottom.resize(cells);
    for (size_t i = 0; i < cells; ++i) {
        const auto tile = qint32(i % 997);
        map.top[i] = { variant == 0 ? 0 : 2, tile, i % 2 == 0 };
        map.bottom[i] = { variant == 0 ? 1 : 0, tile + 1000 * variant, i % 3 == 0 };
    }
    return map;
}

#pragma once

#include "model/limits.h"

#include <QStringList>
#include <QtGlobal>

#include <vector>

// One cell as a map file stores it: the position of its tile set in the
// file's list (-1 for none), the tile's row-major index in that set (-1 for
// no tile) and the pass flag.
struct CellRecord
{
    qint32 setIndex = -1;
    qint32 tileIndex = -1;
    bool pass = false;
};

inline bool operator==(const CellRecord& a, const CellRecord& b)
{
    return a.setIndex == b.setIndex && a.tileIndex == b.tileIndex && a.pass == b.pass;
}

inline bool operator!=(const CellRecord& a, const CellRecord& b)
{
    return !(a == b);
}

// The whole content of a map file, free of any widget or image.
struct MapData
{
    static constexpr int MaxTileSets = ::MaxTileSets;
    static constexpr int MaxSide = 1024;

    QStringList tileSetNames; // 0..MaxTileSets names, file order
    int width = 0; // cells, 1..MaxSide in a valid map
    int height = 0;
    // width * height records each, row by row: cell (x, y) is at y * width + x.
    std::vector<CellRecord> top;
    std::vector<CellRecord> bottom;
};

inline bool operator==(const MapData& a, const MapData& b)
{
    return a.tileSetNames == b.tileSetNames && a.width == b.width && a.height == b.height && a.top == b.top
        && a.bottom == b.bottom;
}

inline bool operator!=(const MapData& a, const MapData& b)
{
    return !(a == b);
}

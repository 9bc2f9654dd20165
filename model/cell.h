#pragma once

#include <QtGlobal>

// The two layers of a map. The top layer's cells also carry the map's pass
// flags.
enum class Layer { Top, Bottom };

// One cell of a layer as the map stores it, in 8 bytes: the slot of its tile
// set in the map's table of tile-set names (0 for none), the tile's row-major
// index inside that set (-1 for no tile) and the pass flag. An emptied cell
// has slot 0; one read from a map file keeps the set the file gave it, tile
// or none, so that saving writes it back as it was.
struct Cell
{
    qint32 tileIndex = -1;
    quint32 tileSet : 31;
    quint32 pass : 1;

    Cell()
        : tileSet(0)
        , pass(0)
    {
    }
    Cell(quint32 tileSet, qint32 tileIndex, bool pass)
        : tileIndex(tileIndex)
        , tileSet(tileSet)
        , pass(pass)
    {
    }

    bool isEmpty() const { return tileIndex == -1; }
    // What every cell of a new map holds.
    bool isBlank() const { return tileIndex == -1 && tileSet == 0 && !pass; }
};

static_assert(sizeof(Cell) == 8, "a map of 1024 x 1024 cells must stay small");

inline bool operator==(const Cell& a, const Cell& b)
{
    return a.tileIndex == b.tileIndex && a.tileSet == b.tileSet && a.pass == b.pass;
}

inline bool operator!=(const Cell& a, const Cell& b)
{
    return !(a == b);
}

#pragma once

#include "model/cellgrid.h"

#include <QPoint>
#include <QSize>

#include <optional>
#include <vector>

// The brush: a rectangle of cells that painting lays with its top-left cell
// at a place, one tile or a block of them. Where it covers more than one
// stamp's room (a stroke, a square, a fill), copies of it are laid side by
// side on a grid of its size from an anchor, so that they join seamlessly.
// Its empty cells paint nothing.
//
// At random, every cell that the stamp would paint takes one of the stamp's
// tiles instead, chosen from the seed and the cell's place alone: each tile
// as often as it occurs in the stamp, and the same tile for the same seed
// and place however often the cell is painted.
class TileStamp
{
public:
    TileStamp() = default;
    explicit TileStamp(CellGrid cells);

    const CellGrid& cells() const { return grid; }
    QSize size() const { return grid.size(); }
    // Whether it paints nothing: it has no tile.
    bool isEmpty() const { return tiles.empty(); }
    // The tiles it holds, column after column, the empty cells left out.
    const std::vector<Cell>& tileCells() const { return tiles; }

    // What the copies anchored at `anchor` lay at `place`, into *value;
    // false where the stamp is empty.
    bool cellAt(const QPoint& place, const QPoint& anchor, const std::optional<quint32>& randomSeed,
                Cell* value) const;
    // Every cell of the copies anchored at `anchor` that meet `places`, each
    // once.
    std::vector<QPoint> copiesOver(const std::vector<QPoint>& places, const QPoint& anchor) const;

private:
    // The stamp's cell at the place, in the copies anchored at `anchor`.
    QPoint offsetIn(const QPoint& place, const QPoint& anchor) const;

    CellGrid grid;
    std::vector<Cell> tiles;
};

#pragma once

#include "model/cellgrid.h"

#include <QPoint>
#include <QRect>

#include <optional>

// The cells of a rectangle stored as set (anchor top-left, far corner
// bottom-right, not normalised), as a normal rectangle: one whose far corner
// lies two or more cells before its anchor counts with its corners swapped,
// one whose far corner lies exactly one cell before it holds no cell (a null
// rectangle). Qt 6's QRect::contains() shrinks a swapped rectangle by a cell
// on each side instead, so the editor never asks it about a stored selection.
QRect containedCells(const QRect& stored);

// The canvas's own clipboard: empty, one cell, or a rectangle of cells.
class TileClipboard
{
public:
    bool isEmpty() const { return !held; }
    bool holdsRectangle() const { return held && !single; }
    // The rectangle's size; 0 x 0 unless it holds one.
    int width() const { return holdsRectangle() ? block.width() : 0; }
    int height() const { return holdsRectangle() ? block.height() : 0; }
    const Cell* singleCell() const { return held && single ? &block.at(0, 0) : nullptr; }
    // Offset (i, j) of a rectangle; null where there is none.
    const Cell* cellAt(int i, int j) const
    {
        return holdsRectangle() && block.contains(i, j) ? &block.at(i, j) : nullptr;
    }
    // What paste writes, with its top-left cell at the target: one cell or
    // the rectangle.
    const CellGrid& cells() const { return block; }

    void clear();

    // Replaces the content by the cells of `selection` that lie inside the
    // layer (by QRect's rules, as stored), or without a selection by the cell
    // at `cell`. Returns the cells copied, in layer coordinates (empty when
    // nothing was).
    QRect copy(const CellGrid& layer, const std::optional<QRect>& selection, const QPoint& cell);

private:
    CellGrid block;
    bool held = false;
    bool single = false;
};

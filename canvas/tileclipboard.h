#pragma once

#include "palette/tile.h"

#include <QPoint>
#include <QRect>

#include <memory>
#include <optional>

class TileLayer;

// The cells of a rectangle stored as set (anchor top-left, far corner
// bottom-right, not normalised), as a normal rectangle: one whose far corner
// lies two or more cells before its anchor counts with its corners swapped,
// one whose far corner lies exactly one cell before it holds no cell (a null
// rectangle). Qt 6's QRect::contains() shrinks a swapped rectangle by a cell
// on each side instead, so the editor never asks it about a stored selection.
QRect containedCells(const QRect& stored);

// The canvas's own clipboard: empty, one tile, or a rectangle of tiles stored
// column after column (offset (i, j) is element i * clipHeight + j).
class TileClipboard
{
public:
    bool isEmpty() const { return !clipTile && !clipTiles; }
    bool holdsRectangle() const { return bool(clipTiles); }
    int width() const { return clipWidth; }
    int height() const { return clipHeight; }
    const Tile* singleTile() const { return clipTile.get(); }
    // Offset (i, j) of a rectangle; null where there is none.
    const Tile* tileAt(int i, int j) const;

    void clear();

    // Replaces the content by the cells of `selection` that lie inside the
    // layer (by QRect's rules, as stored), or without a selection by the cell
    // at `cell`. Returns the cells copied, in layer coordinates (empty when
    // nothing was).
    QRect copy(const TileLayer& layer, const std::optional<QRect>& selection, const QPoint& cell);

    // Writes the content into `layer` with its top-left corner at `cell`,
    // skipping targets outside the layer. Returns the cells written.
    QRect paste(TileLayer& layer, const QPoint& cell) const;

private:
    std::unique_ptr<Tile> clipTile;
    std::unique_ptr<Tile[]> clipTiles;
    int clipWidth = 0;
    int clipHeight = 0;
};

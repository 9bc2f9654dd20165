#include "canvas/tileclipboard.h"

#include "canvas/tilelayer.h"

QRect containedCells(const QRect& stored)
{
    const auto span = [](int anchor, int far, int* first, int* last) {
        if (far < anchor - 1) {
            *first = far;
            *last = anchor;
        } else {
            *first = anchor;
            *last = far;
        }
    };
    int left, right, top, bottom;
    span(stored.left(), stored.right(), &left, &right);
    span(stored.top(), stored.bottom(), &top, &bottom);
    if (right < left || bottom < top)
        return QRect();
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

const Tile* TileClipboard::tileAt(int i, int j) const
{
    if (!clipTiles || i < 0 || j < 0 || i >= clipWidth || j >= clipHeight)
        return nullptr;
    return &clipTiles[qsizetype(i) * clipHeight + j];
}

void TileClipboard::clear()
{
    clipTiles.reset();
    clipTile.reset();
    clipWidth = 0;
    clipHeight = 0;
}

QRect TileClipboard::copy(const TileLayer& layer, const std::optional<QRect>& selection,
                          const QPoint& cell)
{
    clear();
    if (!selection) {
        if (!layer.contains(cell.x(), cell.y()))
            return QRect();
        clipTile = std::make_unique<Tile>();
        *clipTile = layer[cell.x()][cell.y()];
        return QRect(cell, cell);
    }

    // Limiting the selected cells to the layer keeps the clipboard's size and
    // its tiles in agreement.
    const QRect inside = containedCells(*selection) & QRect(0, 0, layer.width(), layer.height());
    if (inside.isEmpty())
        return QRect();

    clipWidth = inside.width();
    clipHeight = inside.height();
    clipTiles = std::make_unique<Tile[]>(qsizetype(clipWidth) * clipHeight);
    for (int i = 0; i < clipWidth; ++i) {
        for (int j = 0; j < clipHeight; ++j)
            clipTiles[qsizetype(i) * clipHeight + j] = layer[inside.left() + i][inside.top() + j];
    }
    return inside;
}

QRect TileClipboard::paste(TileLayer& layer, const QPoint& cell) const
{
    if (clipTile) {
        if (!layer.contains(cell.x(), cell.y()))
            return QRect();
        layer[cell.x()][cell.y()] = *clipTile;
        return QRect(cell, cell);
    }
    if (!clipTiles)
        return QRect();

    const QRect target = QRect(cell.x(), cell.y(), clipWidth, clipHeight)
                         & QRect(0, 0, layer.width(), layer.height());
    for (int x = target.left(); x <= target.right(); ++x) {
        for (int y = target.top(); y <= target.bottom(); ++y)
            layer[x][y] = clipTiles[qsizetype(x - cell.x()) * clipHeight + (y - cell.y())];
    }
    return target.isEmpty() ? QRect() : target;
}

#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cmath>

// Where the cells of a map lie in pixels at a zoom. Positions are computed
// in double precision from the single-precision zoom and truncated toward
// zero: at zoom 0.8, whose float lies a hair above 0.8, a 40-pixel tile
// gives 32-pixel cells and grid line 1 lies at pixel 32.
struct CanvasGeometry
{
    int tileSize = 40;
    float zoom = 1.0f;

    // The pixel position of grid line n.
    int cellToPixel(int n) const { return int((n * tileSize) * double(zoom)); }
    int cellSide() const { return int(tileSize * double(zoom)); }
    QRect cellRect(int column, int row) const
    {
        return QRect(cellToPixel(column), cellToPixel(row), cellSide(), cellSide());
    }
    // The cell under a pixel; no bounds check.
    QPoint cellAt(int x, int y) const
    {
        // Divide by the single-precision zoom first, then by the tile size.
        const double z = zoom;
        return QPoint(int(x / z / tileSize), int(y / z / tileSize));
    }
    // A point in cell units, not truncated.
    QPointF cellPosition(const QPointF& pixel) const
    {
        const double z = zoom;
        return QPointF(pixel.x() / z / tileSize, pixel.y() / z / tileSize);
    }
    // A pixel at a point in cell units: as far into its cell, in proportion,
    // as the point is, and one that cellAt() maps back to that cell (at zooms
    // a hair above a decimal, it takes the first pixel of a cell for the cell
    // before).
    QPoint pixelOf(const QPointF& position) const
    {
        const auto along = [this](double at) {
            const int cell = int(std::floor(at));
            int pixel = cellToPixel(cell) + int((at - cell) * cellSide());
            while (cellAt(pixel, 0).x() < cell)
                ++pixel;
            return pixel;
        };
        return QPoint(along(position.x()), along(position.y()));
    }
    // Pixels of a map of this many cells, its last grid line included.
    QSize mapSize(const QSize& cells) const
    {
        const double cell = tileSize * double(zoom);
        return QSize(int(cells.width() * cell + 1), int(cells.height() * cell + 1));
    }
    // The pixels that `cells` paint: from their first grid lines to the
    // lines after them, onto which an empty cell is widened; grown by
    // `margin` on each side.
    QRect cellsToPixels(const QRect& cells, int margin = 0) const
    {
        return QRect(QPoint(cellToPixel(cells.left()), cellToPixel(cells.top())),
                     QPoint(cellToPixel(cells.right() + 1), cellToPixel(cells.bottom() + 1)))
            .adjusted(-margin, -margin, margin, margin);
    }
};

#pragma once

#include "model/cell.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <vector>

// A rectangle of cells, width columns of height cells, indexed [column][row]
// and stored column after column: one layer of a map, or a block of cells
// held by the clipboard.
class CellGrid
{
public:
    CellGrid() = default;
    CellGrid(int width, int height)
        : gridWidth(width)
        , gridHeight(height)
        , cells(size_t(width) * size_t(height))
    {
    }

    int width() const { return gridWidth; }
    int height() const { return gridHeight; }
    QSize size() const { return QSize(gridWidth, gridHeight); }
    QRect bounds() const { return QRect(0, 0, gridWidth, gridHeight); }
    bool isEmpty() const { return cells.empty(); }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < gridWidth && y < gridHeight; }
    bool contains(const QPoint& cell) const { return contains(cell.x(), cell.y()); }

    // Position of cell (x, y) in the column-major storage.
    quint32 indexOf(int x, int y) const { return quint32(x) * quint32(gridHeight) + quint32(y); }
    QPoint cellOf(quint32 index) const { return QPoint(int(index / quint32(gridHeight)), int(index % quint32(gridHeight))); }

    const Cell& at(int x, int y) const { return cells[indexOf(x, y)]; }
    Cell& at(int x, int y) { return cells[indexOf(x, y)]; }
    const Cell& at(quint32 index) const { return cells[index]; }
    Cell& at(quint32 index) { return cells[index]; }
    const Cell* column(int x) const { return cells.data() + size_t(indexOf(x, 0)); }
    Cell* column(int x) { return cells.data() + size_t(indexOf(x, 0)); }

    qint64 bytes() const { return qint64(cells.size() * sizeof(Cell)); }

private:
    int gridWidth = 0;
    int gridHeight = 0;
    std::vector<Cell> cells;
};

#include "model/tileclipboard.h"

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

void TileClipboard::clear()
{
    block = CellGrid();
    held = false;
    single = false;
}

QRect TileClipboard::copy(const CellGrid& layer, const std::optional<QRect>& selection, const QPoint& cell)
{
    clear();
    // Limiting the selected cells to the layer keeps the clipboard's size and
    // its cells in agreement.
    const QRect copied = selection ? containedCells(*selection) & layer.bounds()
                                   : (layer.contains(cell) ? QRect(cell, cell) : QRect());
    if (copied.isEmpty())
        return QRect();

    block = CellGrid(copied.width(), copied.height());
    for (int i = 0; i < copied.width(); ++i) {
        for (int j = 0; j < copied.height(); ++j)
            block.at(i, j) = layer.at(copied.left() + i, copied.top() + j);
    }
    held = true;
    single = !selection;
    return copied;
}

// Mouse handling of the canvas: the left button applies the current tool, the
// right button moves the current cell, the middle button selects in any tool.

#include "canvas/worldviewwidget.h"

#include <QMouseEvent>

namespace {

// The right button keeps a selection while it stays on one of its cells, by
// the same rule as the square fill and the clipboard.
bool leavesSelection(const std::optional<QRect>& selection, const QPoint& cell)
{
    return selection && !containedCells(*selection).contains(cell);
}

} // namespace

QPoint WorldViewWidget::cellAt(int x, int y) const
{
    // Divide by the single-precision zoom first, then by the tile size, and
    // truncate toward zero: at zoom 0.8 pixel 32 still lies in cell 0.
    const double zoom = zoomFactor;
    return QPoint(int(x / zoom / tileSize), int(y / zoom / tileSize));
}

bool WorldViewWidget::beyondAnchor(const QPoint& pixel) const
{
    // A selection grows only to the right of and below the cell it was started in.
    const double zoom = zoomFactor;
    const QPoint anchor = selectionRect->topLeft();
    return pixel.x() / zoom / tileSize > anchor.x() && pixel.y() / zoom / tileSize > anchor.y();
}

void WorldViewWidget::setCurrentCell(int x, int y)
{
    const QPoint before = currentCell;
    currentCell = cellAt(x, y);
    cellMarkChanged(before, currentCell, int(20 * double(zoomFactor)));
}

void WorldViewWidget::setHoverCell(int x, int y)
{
    const QPoint before = hoverCell;
    hoverCell = cellAt(x, y);
    cellMarkChanged(before, hoverCell, int(20 * double(zoomFactor)));
}

void WorldViewWidget::paintTile(int x, int y)
{
    const QPoint cell = cellAt(x, y);
    paintCell(cell.x(), cell.y());
}

void WorldViewWidget::paintCell(int column, int row)
{
    if (!topLayer.contains(column, row) || brush.isEmpty())
        return;
    // The cell must draw from the canvas's own masked copy of the brush's
    // tile set. That is normally the newest set, which the palette shows; a
    // brush picked before a later load still belongs to its own set.
    int slot = tileSetCount - 1;
    while (slot >= 0 && tileSetFiles[slot] != brush.tileSetFile)
        --slot;
    if (slot < 0)
        return;
    Tile& cell = currentLayer()[column][row];
    cell = brush;
    cell.tileSet = &tileSets[slot];
    cellsChanged(QRect(column, row, 1, 1));
}

void WorldViewWidget::eraseTile(int x, int y)
{
    const QPoint cell = cellAt(x, y);
    if (!insideMap(cell))
        return;
    currentLayer()[cell.x()][cell.y()].clear();
    cellsChanged(QRect(cell, cell));
}

void WorldViewWidget::setCellPass(int x, int y, bool pass)
{
    const QPoint cell = cellAt(x, y);
    if (!insideMap(cell))
        return;
    topLayer[cell.x()][cell.y()].setCollision(pass);
    if (currentTool == Pass)
        cellsChanged(QRect(cell, cell));
}

void WorldViewWidget::setFarCorner(const QPoint& cell)
{
    if (selectionRect->bottomRight() == cell)
        return;
    const std::optional<QRect> before = selectionRect;
    selectionRect->setBottomRight(cell);
    selectionChanged(before);
}

void WorldViewWidget::dropSelection()
{
    if (!selectionRect)
        return;
    const std::optional<QRect> before = selectionRect;
    selectionRect.reset();
    selectionChanged(before);
}

void WorldViewWidget::fillSquare()
{
    const QRect cells = containedCells(*selectionRect) & QRect(0, 0, worldWidth, worldHeight);
    for (int x = cells.left(); x <= cells.right(); ++x) {
        for (int y = cells.top(); y <= cells.bottom(); ++y)
            paintCell(x, y);
    }
}

void WorldViewWidget::mousePressEvent(QMouseEvent* event)
{
    const QPoint pixel = event->position().toPoint();
    const QPoint cell = cellAt(pixel.x(), pixel.y());
    switch (event->button()) {
    case Qt::LeftButton:
        dropSelection();
        setCurrentCell(pixel.x(), pixel.y());
        switch (currentTool) {
        case Paint:
            paintTile(pixel.x(), pixel.y());
            break;
        case Erase:
            eraseTile(pixel.x(), pixel.y());
            break;
        case Square:
        case Select: {
            const std::optional<QRect> before = selectionRect;
            selectionRect = QRect(cell, cell);
            selectionChanged(before);
            break;
        }
        case Pass:
            if (insideMap(cell))
                setCellPass(pixel.x(), pixel.y(), !topLayer[cell.x()][cell.y()].pass);
            break;
        }
        break;
    case Qt::RightButton:
        setCurrentCell(pixel.x(), pixel.y());
        if (leavesSelection(selectionRect, cell))
            dropSelection();
        break;
    case Qt::MiddleButton: {
        const std::optional<QRect> before = selectionRect;
        selectionRect = QRect(cell, cell);
        selectionChanged(before);
        break;
    }
    default:
        break;
    }
}

void WorldViewWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pixel = event->position().toPoint();
    const QPoint cell = cellAt(pixel.x(), pixel.y());
    const bool valid = isValidPoint(pixel.x(), pixel.y());
    const Qt::MouseButtons held = event->buttons();

    if (held == Qt::LeftButton) {
        switch (currentTool) {
        case Paint:
            if (valid) {
                paintTile(pixel.x(), pixel.y());
                setCurrentCell(pixel.x(), pixel.y());
            }
            break;
        case Erase:
            if (valid) {
                eraseTile(pixel.x(), pixel.y());
                setCurrentCell(pixel.x(), pixel.y());
            }
            break;
        case Square:
            if (valid && selectionRect)
                setFarCorner(cell);
            break;
        case Select:
            if (valid && selectionRect && beyondAnchor(pixel))
                setFarCorner(cell);
            break;
        default:
            break;
        }
    } else if (held == Qt::RightButton) {
        setCurrentCell(pixel.x(), pixel.y());
        if (leavesSelection(selectionRect, cell))
            dropSelection();
    } else if (held == Qt::MiddleButton) {
        if (valid && selectionRect && beyondAnchor(pixel))
            setFarCorner(cell);
    }
    setHoverCell(pixel.x(), pixel.y());
}

void WorldViewWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !selectionRect)
        return;
    const QPoint pixel = event->position().toPoint();
    const QPoint cell = cellAt(pixel.x(), pixel.y());
    const bool valid = isValidPoint(pixel.x(), pixel.y());

    if (currentTool == Select) {
        if (valid && beyondAnchor(pixel))
            setFarCorner(cell);
    } else if (currentTool == Square) {
        if (valid)
            setFarCorner(cell);
        fillSquare();
        dropSelection();
    }
}

// Moving the selection with the Select tool: a press inside it lifts its
// cells, dragging floats them under the pointer, cell by cell, and the
// release puts them down as one step; Escape puts them back. Shift at the
// press takes both layers, Alt leaves a copy behind. The arrow keys move the
// floating cells, or the selection's cells, one cell.

#include "canvas/worldviewwidget.h"

void WorldViewWidget::startMove(const QPoint& cell, Qt::KeyboardModifiers modifiers)
{
    SelectionMove move;
    move.source = containedCells(*selectionRect) & map().cells(Layer::Top).bounds();
    move.layer = currentLayer();
    move.bothLayers = modifiers & Qt::ShiftModifier;
    move.duplicate = modifiers & Qt::AltModifier;
    moving = move;
    movePress = cell;
    moveCell = cell;
    moveSteps = QPoint();
    moveStarted = false;
}

void WorldViewWidget::dragMove(const QPoint& cell)
{
    if (!moving)
        return;
    moveCell = cell;
    moveStarted = moveStarted || cell != movePress;
    const QPoint offset = moveCell - movePress + moveSteps;
    if (offset == moving->offset)
        return;
    moving->offset = offset;
    previewChanged();
}

void WorldViewWidget::finishMove()
{
    if (!moving)
        return;
    const SelectionMove move = *moving;
    moving.reset();
    previewChanged();
    // A click in the selection, without a drag, selects the clicked cell.
    if (!moveStarted)
        setSelection(spanned(movePress, movePress));
    else
        putDown(move);
}

void WorldViewWidget::cancelMove()
{
    moving.reset();
    // Nothing has changed: the map shows the cells where they were.
    leftGesture = LeftGesture::Tool;
    previewChanged();
}

void WorldViewWidget::nudge(const QPoint& step, Qt::KeyboardModifiers modifiers)
{
    if (moving) {
        moveSteps += step;
        moveStarted = true;
        dragMove(moveCell);
        return;
    }
    SelectionMove move;
    move.source = containedCells(*selectionRect) & map().cells(Layer::Top).bounds();
    move.offset = step;
    move.layer = currentLayer();
    move.bothLayers = modifiers & Qt::ShiftModifier;
    move.duplicate = modifiers & Qt::AltModifier;
    putDown(move);
}

void WorldViewWidget::putDown(const SelectionMove& move)
{
    int dropped = 0;
    doc->editCells(move.duplicate ? tr("Duplicate") : tr("Move"),
                   [&](WorldMap& map, CellPatch* record) { dropped = move.apply(map, record); });
    // The selection goes with the cells, as far as they stay on the map.
    const QRect target = move.target() & map().cells(Layer::Top).bounds();
    setSelection(target.isEmpty() ? std::nullopt : std::optional<QRect>(target));
    if (dropped > 0)
        emit cellsDropped(dropped);
}

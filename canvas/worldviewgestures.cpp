// The gestures beyond the plain tools: taking a tile from the map, the fill,
// the pass rectangle, the Delete and Escape keys and zooming with the wheel.

#include "canvas/worldviewwidget.h"

#include "model/floodfill.h"

#include <QKeyEvent>
#include <QWheelEvent>

#include <algorithm>

void WorldViewWidget::pickTile(const QPoint& cell)
{
    if (!map().contains(cell))
        return;
    // The brush becomes the tile as the palette hands it out, without the
    // cell's pass flag, so that painting with it is painting with that tile.
    Tile picked = map().tile(currentLayer(), cell.x(), cell.y());
    picked.pass = false;
    doc->setBrush(picked);
    // The palette shows the tile's set, keeping the set shown if it has the
    // same name, and marks the tile.
    const int set = map().tileSetIndex(picked.tileSetFile);
    if (!picked.isEmpty() && set >= 0 && map().tileSetName(map().shownTileSet()) != picked.tileSetFile)
        doc->showTileSet(set);
}

void WorldViewWidget::floodFill(const QPoint& cell)
{
    Cell value;
    if (!brushCell(&value))
        return;
    const Layer layer = currentLayer();
    const std::vector<QPoint> region = floodRegion(map().cells(layer), cell);
    doc->editCells(tr("Flood Fill"), [layer, &region, value](WorldMap& map, CellPatch* record) {
        map.fill(layer, region, value, record);
    });
}

void WorldViewWidget::startPassRectangle(const QPoint& cell)
{
    passAnchor.reset();
    if (!map().contains(cell))
        return;
    passAnchor = cell;
    passValue = !map().cells(Layer::Top).at(cell.x(), cell.y()).pass;
    stretchPassRectangle(cell);
}

void WorldViewWidget::stretchPassRectangle(const QPoint& cell)
{
    if (!passAnchor)
        return;
    // Shown as the selection, in any direction from the first cell and
    // within the map: the cells that will be set.
    const QPoint inside(std::clamp(cell.x(), 0, map().width() - 1),
                        std::clamp(cell.y(), 0, map().height() - 1));
    // QRect::normalized() leaves a rectangle one cell backwards empty.
    const QRect cells(QPoint(std::min(passAnchor->x(), inside.x()), std::min(passAnchor->y(), inside.y())),
                      QPoint(std::max(passAnchor->x(), inside.x()), std::max(passAnchor->y(), inside.y())));
    if (selectionRect == cells)
        return;
    const std::optional<QRect> before = selectionRect;
    selectionRect = cells;
    selectionChanged(before);
}

void WorldViewWidget::finishPassRectangle()
{
    if (!passAnchor || !selectionRect)
        return;
    const QRect cells = *selectionRect;
    const bool pass = passValue;
    passAnchor.reset();
    doc->editCells(tr("Set Pass"), [cells, pass](WorldMap& map, CellPatch* record) {
        map.setPass(cells, pass, record);
    });
    dropSelection();
}

void WorldViewWidget::deleteCells()
{
    const QRect cells = selectionRect ? containedCells(*selectionRect) & map().cells(currentLayer()).bounds()
                                      : (map().contains(currentCell) ? QRect(currentCell, currentCell) : QRect());
    if (cells.isEmpty())
        return;
    const Layer layer = currentLayer();
    doc->editCells(tr("Delete"), [layer, cells](WorldMap& map, CellPatch* record) {
        map.fill(layer, cells, Cell(), record);
    });
}

void WorldViewWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Delete)) {
        deleteCells();
    } else if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // Also ends a square or pass rectangle being dragged, which then sets
        // nothing.
        passAnchor.reset();
        dropSelection();
    } else {
        QWidget::keyPressEvent(event);
    }
}

void WorldViewWidget::wheelEvent(QWheelEvent* event)
{
    // Without Ctrl the scroll area scrolls, as ever.
    if (!(event->modifiers() & Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    // A fine-grained wheel sends small turns; a step is a notch's worth.
    zoomTurn += event->angleDelta().y();
    const int steps = zoomTurn / QWheelEvent::DefaultDeltasPerStep;
    zoomTurn -= steps * QWheelEvent::DefaultDeltasPerStep;
    if (steps != 0)
        emit zoomStepRequested(steps, event->position().toPoint());
}

void WorldViewWidget::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (pointerOver) {
        pointerOver = false;
        emit statusChanged();
    }
}

// The gestures beyond the plain tools: taking tiles from the map, the fill,
// the pass rectangle, the keys, zooming with the wheel and following the
// pointer.

#include "canvas/worldviewwidget.h"

#include "model/floodfill.h"

#include <QHash>
#include <QKeyEvent>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>

void WorldViewWidget::pickTile(const QPoint& cell)
{
    pickAnchor = cell;
    pickedCells.reset();
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

void WorldViewWidget::pickCells(const QPoint& cell)
{
    // Ctrl+click picked one tile; dragging from it picks the cells passed.
    if (!pickAnchor || (!pickedCells && cell == *pickAnchor))
        return;
    const std::optional<QRect> cells = spanned(*pickAnchor, cell);
    if (!cells || cells == pickedCells)
        return;
    update(selectionFramePixels(pickedCells.value_or(*cells)));
    pickedCells = cells;
    update(selectionFramePixels(*cells));
    doc->setBrushCells(currentLayer(), *cells);
}

void WorldViewWidget::floodFill(const QPoint& cell)
{
    const std::vector<QPoint> region = floodRegion(map().cells(currentLayer()), cell);
    if (region.empty())
        return;
    // The stamp's copies start at the region's top-left corner.
    QPoint corner = region.front();
    for (const QPoint& place : region)
        corner = QPoint(std::min(corner.x(), place.x()), std::min(corner.y(), place.y()));
    layStamp(tr("Flood Fill"), doc->paintedStamp(), corner, doc->takeBrushSeed(), region);
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
    static const QHash<int, QPoint> steps = { { Qt::Key_Left, QPoint(-1, 0) },
                                              { Qt::Key_Right, QPoint(1, 0) },
                                              { Qt::Key_Up, QPoint(0, -1) },
                                              { Qt::Key_Down, QPoint(0, 1) } };
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // Puts floating cells back; ends a square or pass rectangle being
        // dragged, which then sets nothing.
        if (moving) {
            cancelMove();
            return;
        }
        passAnchor.reset();
        dropSelection();
        previewChanged();
    } else if (steps.contains(event->key()) && (moving || (selectionRect && !leftHeld))) {
        // A square or pass rectangle being dragged is shown as a selection,
        // but holds no cells to move.
        nudge(steps.value(event->key()), event->modifiers());
    } else {
        // The scroll area scrolls with the keys the canvas leaves.
        QWidget::keyPressEvent(event);
    }
}

void WorldViewWidget::wheelEvent(QWheelEvent* event)
{
    // The wheel may scroll or zoom the canvas under the pointer, which
    // followPointer() then follows from here.
    pointerOnScreen = event->globalPosition();
    if (!pointerOver) {
        pointerOver = true;
        emit statusChanged();
    }
    setHoverCell(int(event->position().x()), int(event->position().y()));
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
    pointerLeft();
}

void WorldViewWidget::pointerLeft()
{
    if (pointerOver) {
        pointerOver = false;
        cellMarkChanged(hoverCell, QPoint(-1, -1), int(20 * double(geometry.zoom)));
        emit statusChanged();
        previewChanged();
    }
}

void WorldViewWidget::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // Scrolled: another cell lies under the pointer, which did not move.
    followPointer();
}

void WorldViewWidget::followPointer()
{
    // A canvas not on the screen lies under no pointer, whatever the last
    // event said. (Drawing a hidden canvas into an image makes it visible
    // for a moment, its window not.)
    const QWindow* shown = window()->windowHandle();
    if (!pointerOver || !shown || !shown->isVisible())
        return;
    const QPoint pixel = mapFromGlobal(pointerOnScreen).toPoint();
    if (rect().contains(pixel))
        setHoverCell(pixel.x(), pixel.y());
    else
        pointerLeft();
}

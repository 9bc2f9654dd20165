// Mouse handling of the canvas: the left button applies the current tool, the
// right button moves the current cell, the middle button selects in any tool.

#include "canvas/worldviewwidget.h"

#include "model/cellline.h"

#include <QMouseEvent>

#include <algorithm>

namespace {

// The right button keeps a selection while it stays on one of its cells, by
// the same rule as the square fill and the clipboard.
bool leavesSelection(const std::optional<QRect>& selection, const QPoint& cell)
{
    return selection && !containedCells(*selection).contains(cell);
}

} // namespace

std::optional<QRect> WorldViewWidget::spanned(const QPoint& from, const QPoint& to) const
{
    const QRect cells = QRect(QPoint(std::min(from.x(), to.x()), std::min(from.y(), to.y())),
                              QPoint(std::max(from.x(), to.x()), std::max(from.y(), to.y())))
        & map().cells(Layer::Top).bounds();
    return cells.isEmpty() ? std::nullopt : std::optional<QRect>(cells);
}

void WorldViewWidget::setCurrentCell(int x, int y)
{
    const QPoint before = currentCell;
    currentCell = cellAt(x, y);
    cellMarkChanged(before, currentCell, int(20 * double(geometry.zoom)));
}

void WorldViewWidget::setHoverCell(int x, int y)
{
    const QPoint before = hoverCell;
    hoverCell = cellAt(x, y);
    cellMarkChanged(before, hoverCell, int(20 * double(geometry.zoom)));
    if (hoverCell != before) {
        emit statusChanged();
        previewChanged();
    }
}

void WorldViewWidget::startStroke(const QPoint& cell)
{
    stroke = strokes++;
    strokePosition.reset();
    strokeAnchor = cell;
    strokeStamp = doc->paintedStamp();
    strokeSeed = currentTool == Paint ? doc->takeBrushSeed() : std::nullopt;
}

void WorldViewWidget::strokeTo(const QPoint& pixel)
{
    const QPointF position = geometry.cellPosition(pixel);
    // A stroke starts on its first cell, then goes from one position to the
    // next; the cell where the last step ended has had its turn (a step that
    // did not paint, with another button held, gave it up).
    const QPointF from = strokePosition.value_or(position);
    std::vector<QPoint> passed = cellsOnSegment(from, position);
    if (strokePosition && !passed.empty() && from.x() >= 0 && from.y() >= 0
        && passed.front() == QPoint(int(from.x()), int(from.y())))
        passed.erase(passed.begin());
    strokePosition = position;
    if (passed.empty())
        return;
    const Layer layer = currentLayer();
    if (currentTool == Erase) {
        doc->editCells(tr("Erase"), [layer, &passed](WorldMap& map, CellPatch* record) {
            map.fill(layer, passed, Cell(), record);
        }, stroke);
        return;
    }
    // Each cell passed brings the whole copy of the stamp that covers it.
    layStamp(tr("Paint"), strokeStamp, strokeAnchor, strokeSeed, strokeStamp.copiesOver(passed, strokeAnchor),
             stroke);
}

void WorldViewWidget::layStamp(const QString& text, const TileStamp& stamp, const QPoint& anchor,
                               const std::optional<quint32>& seed, const std::vector<QPoint>& places,
                               int strokeNumber)
{
    if (stamp.isEmpty())
        return;
    const Layer layer = currentLayer();
    // A brush of one tile lays that tile everywhere, without asking the
    // stamp cell by cell: a fill of the whole map stays a plain copy.
    const bool oneTile = stamp.size() == QSize(1, 1) && !seed;
    doc->editCells(
        text,
        [&](WorldMap& map, CellPatch* record) {
            if (oneTile) {
                map.fill(layer, places, stamp.cells().at(0, 0), record);
                return;
            }
            map.fill(
                layer, places,
                [&](const QPoint& place, Cell* value) { return stamp.cellAt(place, anchor, seed, value); },
                record);
        },
        strokeNumber);
}

void WorldViewWidget::setFarCorner(const QPoint& cell)
{
    if (selectionRect->bottomRight() == cell)
        return;
    const std::optional<QRect> before = selectionRect;
    selectionRect->setBottomRight(cell);
    selectionChanged(before);
}

void WorldViewWidget::setSelection(const std::optional<QRect>& cells)
{
    if (selectionRect == cells)
        return;
    const std::optional<QRect> before = selectionRect;
    selectionRect = cells;
    selectionChanged(before);
}

void WorldViewWidget::dropSelection()
{
    setSelection(std::nullopt);
}

void WorldViewWidget::selectAll()
{
    setSelection(map().cells(Layer::Top).bounds());
}

void WorldViewWidget::fillSquare()
{
    const QRect cells = containedCells(*selectionRect);
    std::vector<QPoint> places;
    for (int x = cells.left(); x <= cells.right(); ++x) {
        for (int y = cells.top(); y <= cells.bottom(); ++y)
            places.emplace_back(x, y);
    }
    const TileStamp stamp = doc->paintedStamp();
    if (!stamp.isEmpty())
        layStamp(tr("Square Fill"), stamp, cells.topLeft(), doc->takeBrushSeed(), places);
}

void WorldViewWidget::mousePressEvent(QMouseEvent* event)
{
    const QPoint pixel = event->position().toPoint();
    const QPoint cell = cellAt(pixel.x(), pixel.y());
    pointerOnScreen = event->globalPosition();
    switch (event->button()) {
    case Qt::LeftButton:
        leftHeld = true;
        leftGesture = LeftGesture::Tool;
        if (event->modifiers() & Qt::ControlModifier) {
            // Taking tiles is no edit: the cells, the current cell and the
            // selection stay as they are.
            leftGesture = LeftGesture::Pick;
            pickTile(cell);
            break;
        }
        if (currentTool == Select && selectionRect && containedCells(*selectionRect).contains(cell)) {
            leftGesture = LeftGesture::Move;
            setCurrentCell(pixel.x(), pixel.y());
            startMove(cell, event->modifiers());
            break;
        }
        dropSelection();
        setCurrentCell(pixel.x(), pixel.y());
        if ((event->modifiers() & Qt::ShiftModifier) && currentTool == Paint) {
            leftGesture = LeftGesture::Fill;
            floodFill(cell);
            break;
        }
        if ((event->modifiers() & Qt::ShiftModifier) && currentTool == Pass) {
            leftGesture = LeftGesture::PassRectangle;
            startPassRectangle(cell);
            break;
        }
        switch (currentTool) {
        case Paint:
        case Erase:
            startStroke(cell);
            strokeTo(pixel);
            break;
        case Square: {
            const std::optional<QRect> before = selectionRect;
            selectionRect = QRect(cell, cell);
            selectionChanged(before);
            break;
        }
        case Select:
            selectAnchor = cell;
            setSelection(spanned(cell, cell));
            break;
        case Pass:
            if (map().contains(cell)) {
                const bool pass = !map().cells(Layer::Top).at(cell.x(), cell.y()).pass;
                doc->editCells(tr("Set Pass"), [cell, pass](WorldMap& map, CellPatch* record) {
                    map.setPass(QRect(cell, cell), pass, record);
                });
            }
            break;
        }
        break;
    case Qt::RightButton:
        setCurrentCell(pixel.x(), pixel.y());
        if (leavesSelection(selectionRect, cell))
            dropSelection();
        break;
    case Qt::MiddleButton:
        selectAnchor = cell;
        setSelection(spanned(cell, cell));
        break;
    default:
        break;
    }
    previewChanged();
}

void WorldViewWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pixel = event->position().toPoint();
    const QPoint cell = cellAt(pixel.x(), pixel.y());
    const bool valid = isValidPoint(pixel.x(), pixel.y());
    const Qt::MouseButtons held = event->buttons();
    pointerOnScreen = event->globalPosition();
    leftHeld = held & Qt::LeftButton;

    if (held == Qt::LeftButton && leftGesture == LeftGesture::PassRectangle) {
        if (valid)
            stretchPassRectangle(cell);
    } else if (held == Qt::LeftButton && leftGesture == LeftGesture::Pick) {
        pickCells(cell);
    } else if (held == Qt::LeftButton && leftGesture == LeftGesture::Move) {
        dragMove(cell);
    } else if (held == Qt::LeftButton && leftGesture != LeftGesture::Tool) {
        // A fill happens at the press; dragging adds nothing.
    } else if (held == Qt::LeftButton) {
        switch (currentTool) {
        case Paint:
        case Erase:
            // The part of the way outside the widget to the left or top paints
            // nothing; the current cell follows the pointer inside it.
            if (stroke < 0)
                startStroke(cell);
            strokeTo(pixel);
            if (valid)
                setCurrentCell(pixel.x(), pixel.y());
            break;
        case Square:
            if (valid && selectionRect)
                setFarCorner(cell);
            break;
        case Select:
            if (selectAnchor)
                setSelection(spanned(*selectAnchor, cell));
            break;
        default:
            break;
        }
    } else if (held == Qt::RightButton) {
        setCurrentCell(pixel.x(), pixel.y());
        if (leavesSelection(selectionRect, cell))
            dropSelection();
    } else if (held == Qt::MiddleButton) {
        if (selectAnchor)
            setSelection(spanned(*selectAnchor, cell));
    }
    if (stroke >= 0)
        strokePosition = geometry.cellPosition(pixel);
    if (!pointerOver) {
        pointerOver = true;
        emit statusChanged();
    }
    setHoverCell(pixel.x(), pixel.y());
    previewChanged();
}

void WorldViewWidget::mouseReleaseEvent(QMouseEvent* event)
{
    pointerOnScreen = event->globalPosition();
    if (event->button() == Qt::MiddleButton)
        selectAnchor.reset();
    if (event->button() != Qt::LeftButton)
        return;
    leftHeld = false;
    stroke = -1;
    const LeftGesture gesture = leftGesture;
    leftGesture = LeftGesture::Tool;
    const QPoint pixel = event->position().toPoint();
    const QPoint cell = cellAt(pixel.x(), pixel.y());
    const bool valid = isValidPoint(pixel.x(), pixel.y());
    if (gesture == LeftGesture::PassRectangle) {
        if (valid)
            stretchPassRectangle(cell);
        finishPassRectangle();
    } else if (gesture == LeftGesture::Pick) {
        pickCells(cell);
        if (pickedCells)
            update(selectionFramePixels(*pickedCells));
        pickAnchor.reset();
        pickedCells.reset();
    } else if (gesture == LeftGesture::Move) {
        dragMove(cell);
        finishMove();
    } else if (gesture == LeftGesture::Tool && currentTool == Select && selectAnchor) {
        setSelection(spanned(*selectAnchor, cell));
    } else if (gesture == LeftGesture::Tool && currentTool == Square && selectionRect) {
        if (valid)
            setFarCorner(cell);
        fillSquare();
        dropSelection();
    }
    selectAnchor.reset();
    previewChanged();
}

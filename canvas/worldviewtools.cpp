// Mouse handling of the canvas: the left button applies the current tool, the
// right button moves the current cell, the middle button selects in any tool.

#include "canvas/worldviewwidget.h"

#include "model/cellline.h"

#include <QMouseEvent>

namespace {

// The right button keeps a selection while it stays on one of its cells, by
// the same rule as the square fill and the clipboard.
bool leavesSelection(const std::optional<QRect>& selection, const QPoint& cell)
{
    return selection && !containedCells(*selection).contains(cell);
}

} // namespace

bool WorldViewWidget::beyondAnchor(const QPoint& pixel) const
{
    // A selection grows only to the right of and below the cell it was started in.
    const QPointF position = geometry.cellPosition(pixel);
    const QPoint anchor = selectionRect->topLeft();
    return position.x() > anchor.x() && position.y() > anchor.y();
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
    if (hoverCell != before)
        emit statusChanged();
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
    Cell value;
    if (!brushCell(&value))
        return;
    doc->editCells(tr("Paint"), [layer, &passed, value](WorldMap& map, CellPatch* record) {
        map.fill(layer, passed, value, record);
    }, stroke);
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
    Cell value;
    if (!brushCell(&value))
        return;
    const QRect cells = containedCells(*selectionRect);
    const Layer layer = currentLayer();
    doc->editCells(tr("Square Fill"), [layer, cells, value](WorldMap& map, CellPatch* record) {
        map.fill(layer, cells, value, record);
    });
}

void WorldViewWidget::mousePressEvent(QMouseEvent* event)
{
    const QPoint pixel = event->position().toPoint();
    const QPoint cell = cellAt(pixel.x(), pixel.y());
    switch (event->button()) {
    case Qt::LeftButton:
        leftGesture = LeftGesture::Tool;
        if (event->modifiers() & Qt::ControlModifier) {
            // Taking a tile is no edit: the cells, the current cell and the
            // selection stay as they are.
            leftGesture = LeftGesture::Pick;
            pickTile(cell);
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
            // The stroke starts on the pressed cell.
            stroke = strokes++;
            strokePosition.reset();
            strokeTo(pixel);
            break;
        case Square:
        case Select: {
            const std::optional<QRect> before = selectionRect;
            selectionRect = QRect(cell, cell);
            selectionChanged(before);
            break;
        }
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

    if (held == Qt::LeftButton && leftGesture == LeftGesture::PassRectangle) {
        if (valid)
            stretchPassRectangle(cell);
    } else if (held == Qt::LeftButton && leftGesture != LeftGesture::Tool) {
        // A pick or a fill happens at the press; dragging adds nothing.
    } else if (held == Qt::LeftButton) {
        switch (currentTool) {
        case Paint:
        case Erase:
            // The part of the way outside the widget to the left or top paints
            // nothing; the current cell follows the pointer inside it.
            if (stroke < 0) {
                stroke = strokes++;
                strokePosition.reset();
            }
            strokeTo(pixel);
            if (valid)
                setCurrentCell(pixel.x(), pixel.y());
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
    if (stroke >= 0)
        strokePosition = geometry.cellPosition(pixel);
    setHoverCell(pixel.x(), pixel.y());
    if (!pointerOver) {
        pointerOver = true;
        emit statusChanged();
    }
}

void WorldViewWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
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
        return;
    }
    if (gesture != LeftGesture::Tool || !selectionRect)
        return;

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

// The preview: what a gesture would paint, drawn over the map's cells and
// under the grid lines, without changing a cell. With Paint Tiles and Paint
// Squares the brush shows half opaque where a click would paint, or over the
// square being dragged; floating cells show the map as it would be with them
// put down where they are.

#include "canvas/worldviewwidget.h"

#include "render/maprenderer.h"

#include <QPainter>

#include <algorithm>

void WorldViewWidget::previewChanged()
{
    std::optional<StampPreview> next;
    const std::optional<QPoint> pointed = pointerCell();
    const bool squareDragged = currentTool == Square && leftGesture == LeftGesture::Tool && leftHeld && selectionRect;
    if (!moving && pointed && (currentTool == Paint || currentTool == Square) && (!leftHeld || squareDragged)) {
        StampPreview preview { currentLayer(), QRect(*pointed, QSize(1, 1)), *pointed,
                               doc->isRandomBrush() ? std::optional<quint32>(doc->brushSeed()) : std::nullopt,
                               doc->paintedStamp() };
        if (squareDragged) {
            preview.cells = containedCells(*selectionRect);
            preview.anchor = preview.cells.topLeft();
        } else if (currentTool == Paint) {
            preview.cells.setSize(preview.stamp.size());
        }
        preview.cells &= map().cells(Layer::Top).bounds();
        if (!preview.stamp.isEmpty() && !preview.cells.isEmpty())
            next = std::move(preview);
    }
    stampPreview = std::move(next);
    const QRegion shown = previewPixels();
    if (shown.isEmpty() && previewShown.isEmpty())
        return;
    update(shown | previewShown);
    previewShown = shown;
}

QRegion WorldViewWidget::previewPixels() const
{
    const QRect inside = map().cells(Layer::Top).bounds();
    QRegion pixels;
    if (moving) {
        pixels += geometry.cellsToPixels(moving->source);
        if (moving->target().intersects(inside))
            pixels += geometry.cellsToPixels(moving->target() & inside);
        pixels += selectionFramePixels(moving->target());
    } else if (stampPreview) {
        pixels += geometry.cellsToPixels(stampPreview->cells);
    }
    return pixels;
}

std::optional<QRect> WorldViewWidget::selectionFrame() const
{
    return moving ? std::optional<QRect>(moving->target()) : selectionRect;
}

bool WorldViewWidget::previewCell(Layer layer, const QPoint& place, Cell* value) const
{
    if (moving)
        return moving->moves(layer) && moving->cellAfter(map().cells(layer), place, value);
    return stampPreview && layer == stampPreview->layer && stampPreview->cells.contains(place)
        && stampPreview->stamp.cellAt(place, stampPreview->anchor, stampPreview->seed, value);
}

void WorldViewWidget::drawPreview(QPainter& painter, const QRect& area, const MapRenderer& renderer) const
{
    if (!moving && !stampPreview)
        return;
    const QRect inside = map().cells(Layer::Top).bounds();
    // The cells that may paint into a rectangle of pixels; one cell of
    // slack on each side keeps rounding from dropping an edge cell.
    const auto cellsMeeting = [this, &inside](const QRect& pixels) {
        return QRect(cellAt(pixels.left(), pixels.top()) - QPoint(1, 1),
                     cellAt(pixels.right(), pixels.bottom()) + QPoint(1, 1))
            & inside;
    };
    const CellGrid& top = map().cells(Layer::Top);
    const CellGrid& bottom = map().cells(Layer::Bottom);
    const QRect changing = moving ? moving->source | moving->target() : stampPreview->cells;
    const QRect cells = cellsMeeting(area) & changing;
    // Where a cell would change: what it would hold, or the brush over it.
    std::vector<std::pair<QPoint, Cell>> brushed;
    QRegion pixels;
    for (int x = cells.left(); x <= cells.right(); ++x) {
        for (int y = cells.top(); y <= cells.bottom(); ++y) {
            const QPoint place(x, y);
            Cell topAfter, bottomAfter;
            const bool topChanged = previewCell(Layer::Top, place, &topAfter) && topAfter != top.at(x, y);
            const bool bottomChanged
                = previewCell(Layer::Bottom, place, &bottomAfter) && bottomAfter != bottom.at(x, y);
            if (moving && (topChanged || bottomChanged)) {
                pixels += geometry.cellsToPixels(QRect(place, place));
            } else if (topChanged || bottomChanged) {
                const Cell& laid = topChanged ? topAfter : bottomAfter;
                if (!renderer.isDrawable(laid))
                    continue;
                brushed.emplace_back(place, laid);
                pixels += cellRect(place);
            }
        }
    }
    pixels &= area;
    if (pixels.isEmpty())
        return;
    // Within those pixels everything is drawn again in its order, so that
    // they are exactly what drawing the map directly would give: the ground,
    // the cells that paint there (as they would be after a move), the brush
    // half opaque, then the grid lines.
    painter.save();
    painter.setClipRegion(pixels);
    painter.fillRect(pixels.boundingRect(), groundColour());
    const QRect redrawn = cellsMeeting(pixels.boundingRect());
    for (int x = redrawn.left(); x <= redrawn.right(); ++x) {
        for (int y = redrawn.top(); y <= redrawn.bottom(); ++y) {
            Cell bottomCell = bottom.at(x, y), topCell = top.at(x, y);
            if (moving) {
                previewCell(Layer::Bottom, QPoint(x, y), &bottomCell);
                previewCell(Layer::Top, QPoint(x, y), &topCell);
            }
            renderer.drawCell(painter, x, y, bottomCell, topCell);
        }
    }
    painter.setOpacity(0.5);
    for (const auto& [place, laid] : brushed)
        renderer.drawCell(painter, place.x(), place.y(), laid, Cell());
    painter.setOpacity(1.0);
    if (showLines)
        renderer.drawGrid(painter, pixels.boundingRect());
    painter.restore();
}

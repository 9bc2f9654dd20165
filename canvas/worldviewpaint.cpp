// Drawing of the canvas. Every step draws only what meets the area being
// repainted; the pixels inside it are those of drawing everything in order:
// the ground colour, the cells, the grid lines, then the start, cursor and
// selection marks. The canvas paints its own ground, so that its picture
// does not depend on what lies below it. The cells and the grid lines come
// from a cache of their picture at the current zoom wherever that gives
// exactly the same pixels; the marks are always drawn over them directly.

#include "canvas/worldviewwidget.h"

#include "render/maprenderer.h"
#include "render/mappainting.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

QSize WorldViewWidget::sizeHint() const
{
    return geometry.mapSize(map().size());
}

void WorldViewWidget::setZoom(float zoom)
{
    if (zoom > 1.0f)
        zoom = 1.0f;
    else if (zoom < 0.1f)
        zoom = 0.1f;
    geometry.zoom = zoom;
    resize(sizeHint());
    update();
    updateGeometry();
    // The pointer has not moved, the cells under it have.
    followPointer();
    previewChanged();
}

QRect WorldViewWidget::selectionFramePixels(const QRect& cells) const
{
    // The frame runs along grid lines x1 and x2 + 1 (y likewise), which may
    // come in either order; the 3-pixel pen with square caps reaches two
    // pixels past each line.
    const int xa = cellToPixel(cells.left()), xb = cellToPixel(cells.right() + 1);
    const int ya = cellToPixel(cells.top()), yb = cellToPixel(cells.bottom() + 1);
    return QRect(QPoint(std::min(xa, xb), std::min(ya, yb)), QPoint(std::max(xa, xb), std::max(ya, yb)))
        .adjusted(-3, -3, 3, 3);
}

void WorldViewWidget::cellsChanged(const QRect& cells)
{
    layerCache.cellsChanged(cells);
    update(geometry.cellsToPixels(cells));
}

void WorldViewWidget::startPointMoved(const QPoint& before, const QPoint& after)
{
    cellMarkChanged(before, after, 0);
}

void WorldViewWidget::cellMarkChanged(const QPoint& oldCell, const QPoint& newCell, int margin)
{
    if (oldCell == newCell)
        return;
    update(cellRect(oldCell).adjusted(-margin, -margin, margin, margin));
    update(cellRect(newCell).adjusted(-margin, -margin, margin, margin));
}

void WorldViewWidget::selectionChanged(const std::optional<QRect>& before)
{
    if (before)
        update(selectionFramePixels(*before));
    if (selectionRect)
        update(selectionFramePixels(*selectionRect));
}

MapRenderer WorldViewWidget::renderer() const
{
    MapRenderer::Options options;
    options.geometry = geometry;
    options.topLayer = topLayerOn;
    if (currentTool == Pass) {
        options.passYes = &passYesImage;
        options.passNo = &passNoImage;
    }
    options.gridColour = palette().color(QPalette::WindowText);
    return MapRenderer(map(), options);
}

void WorldViewWidget::paintEvent(QPaintEvent* event)
{
    resize(sizeHint());
    QPainter painter(this);
    const QRect area = event->rect();
    const MapRenderer cells = renderer();
    paintMap(painter, area, cells, { groundColour(), showLines }, layerCache, scaledTiles);
    drawPreview(painter, area, cells);
    drawMarks(painter);
    if (const std::optional<QRect> frame = selectionFrame())
        drawFrame(painter, *frame, QColor(55, 150, 240, 200));
    // The cells a Ctrl+drag takes as the brush, in the colour of the
    // palette's frame around the brush's tiles.
    if (pickedCells)
        drawFrame(painter, *pickedCells, QColor(255, 1, 1, 160));
}

QColor WorldViewWidget::groundColour() const
{
    // What the scroll area's viewport shows around the map, made opaque so
    // that nothing below the canvas ever shows through it.
    QColor ground = palette().color(backgroundRole());
    ground.setAlpha(255);
    return ground;
}

void WorldViewWidget::drawMarks(QPainter& painter) const
{
    painter.drawPixmap(QRectF(cellRect(map().startPoint())), startImage, QRectF(startImage.rect()));
    const int grow = int(20 * double(geometry.zoom));
    // The mark under the pointer goes when the pointer leaves the map.
    std::vector<QPoint> marked { currentCell };
    if (const std::optional<QPoint> pointed = pointerCell())
        marked.push_back(*pointed);
    for (const QPoint& cell : marked) {
        const QRect target = cellRect(cell).adjusted(-grow, -grow, grow, grow);
        painter.drawPixmap(QRectF(target), cursorImage, QRectF(cursorImage.rect()));
    }
}

void WorldViewWidget::drawFrame(QPainter& painter, const QRect& cells, const QColor& colour) const
{
    painter.setPen(QPen(QBrush(colour), 3, Qt::DashLine));
    const int x1 = cellToPixel(cells.left()), x2 = cellToPixel(cells.right() + 1);
    const int y1 = cellToPixel(cells.top()), y2 = cellToPixel(cells.bottom() + 1);
    const QLine lines[]
        = { QLine(x1, y1, x2, y1), QLine(x1, y1, x1, y2), QLine(x1, y2, x2, y2), QLine(x2, y1, x2, y2) };
    for (const QLine& line : lines)
        painter.drawLines(&line, 1);
}

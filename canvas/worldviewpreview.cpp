// The preview: what a gesture would paint, drawn over the map's cells and
// under the grid lines, without changing a cell. With Paint Tiles and Paint
// Squares the brush shows half opaque where a click would paint, or over the
// square being dragged; floating cells show the map as it would be with them
// put down where they are.

#include "canvas/worldviewwidget.h"

#include "render/devicepixels.h"
#include "render/maprenderer.h"
#include "render/previewpicture.h"

#include <QPainter>

void WorldViewWidget::previewChanged()
{
    std::optional<StampPreview> next;
    const std::optional<QPoint> pointed = pointerCell();
    const bool squareDragged
        = currentTool == Square && leftGesture == LeftGesture::Tool && leftHeld && selectionRect;
    if (!moving && pointed && (currentTool == Paint || currentTool == Square)
        && (!leftHeld || squareDragged)) {
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

void WorldViewWidget::drawPreview(QPainter& painter, const QRect& area, const MapRenderer& renderer)
{
    if (!moving && !stampPreview)
        return;
    const QRect inside = map().cells(Layer::Top).bounds();
    // The floating cells and where they come from, as one rectangle when
    // they overlap or touch, or the cells a click would paint.
    std::vector<QRect> changing;
    if (moving) {
        const QRect target = moving->target() & inside;
        if (target.isEmpty() || moving->source.adjusted(-1, -1, 1, 1).intersects(target))
            changing = { moving->source | target };
        else
            changing = { moving->source, target };
    } else {
        changing = { stampPreview->cells };
    }
    const auto previewed = [this](int column, int row, Cell* bottom, Cell* top) {
        previewCell(Layer::Bottom, QPoint(column, row), bottom);
        previewCell(Layer::Top, QPoint(column, row), top);
    };
    // The pictures are composited in the device's own pixels, so that they
    // hold exactly the pixels of drawing directly; on a device the cache
    // cannot serve, in widget pixels that the painter scales.
    const std::optional<LayerCache::Device> device = LayerCache::deviceOf(painter);
    const QTransform transform = painter.deviceTransform();
    const PreviewPicture::Look look { groundColour().rgba(), showLines, !moving };
    previewPictures.resize(changing.size());
    for (size_t n = 0; n < changing.size(); ++n) {
        const QRect widgetPixels = geometry.cellsToPixels(changing[n]) & area;
        if (widgetPixels.isEmpty())
            continue;
        const QRect pixels = device ? transform.mapRect(QRectF(widgetPixels)).toAlignedRect() : widgetPixels;
        const DevicePixels where = device
            ? DevicePixels { device->scale, transform.dx() - pixels.left(), transform.dy() - pixels.top() }
            : DevicePixels::translated(pixels.topLeft());
        const QImage& shown
            = previewPictures[n].picture(renderer, scaledTiles, pixels, where, previewed, look);
        painter.save();
        if (device)
            painter.setWorldTransform(transform.inverted() * painter.worldTransform());
        painter.drawImage(pixels.topLeft(), shown, QRect(QPoint(0, 0), pixels.size()));
        painter.restore();
    }
}

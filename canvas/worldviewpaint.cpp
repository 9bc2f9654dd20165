// Drawing of the canvas. Every step draws only what meets the area being
// repainted; the pixels inside it are those of drawing everything in order:
// the ground colour, the cells, the grid lines, then the start, cursor and
// selection marks. The canvas paints its own ground, so that its picture
// does not depend on what lies below it. The cells and the grid lines come
// from a cache of their picture at the current zoom wherever that gives
// exactly the same pixels; the marks are always drawn over them directly.

#include "canvas/worldviewwidget.h"

#include "render/maprenderer.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace {

// The ground, the cells and the grid lines within `area`, each drawn by the
// painter.
void drawDirectly(QPainter& painter, const QRect& area, const MapRenderer& renderer, const QColor& ground,
                  bool gridLines)
{
    painter.fillRect(area, ground);
    renderer.drawCells(painter, area);
    if (gridLines)
        renderer.drawGrid(painter, area);
}

} // namespace

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
    if (!drawCachedCells(painter, area, cells))
        drawDirectly(painter, area, cells, groundColour(), showLines);
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

bool WorldViewWidget::drawCachedCells(QPainter& painter, const QRect& area, const MapRenderer& renderer)
{
    // The cache copies device pixels, so it serves only a raster image
    // whose pixels it can composite exactly as the painter would draw them.
    const std::optional<LayerCache::Device> device = LayerCache::deviceOf(painter);
    if (!device) {
        layerCache.clear();
        return false;
    }

    LayerCache::Layout layout;
    for (int n = 0; n <= map().width(); ++n)
        layout.columnLines.push_back(cellToPixel(n));
    for (int n = 0; n <= map().height(); ++n)
        layout.rowLines.push_back(cellToPixel(n));
    layout.side = geometry.cellSide();
    layout.gridLines = showLines;
    layout.gridColour = showLines ? palette().color(QPalette::WindowText).rgba() : 0;
    layout.ground = groundColour().rgba();
    layout.scale = device->scale;
    layout.phase = device->phase;
    layout.format = device->format;
    layerCache.setLayout(std::move(layout));

    QList<qint64> keys = { passYesImage.cacheKey(), passNoImage.cacheKey() };
    for (quint32 slot = 1; slot < map().slotCount(); ++slot) {
        if (!map().slotImage(slot).isNull())
            keys << map().slotImage(slot).cacheKey();
    }
    scaledTiles.retain(keys);
    layerCache.setImages(keys);

    const bool passMarks = currentTool == Pass;
    const CellGrid& topCells = map().cells(Layer::Top);
    const CellGrid& bottomCells = map().cells(Layer::Bottom);
    const bool topLayer = topLayerOn;
    const auto picturesOf = [&](const QRect& cells, CellPicture* picture) {
        for (int column = cells.left(); column <= cells.right(); ++column) {
            const Cell* bottomColumn = bottomCells.column(column);
            const Cell* topColumn = topCells.column(column);
            for (int row = cells.top(); row <= cells.bottom(); ++row, ++picture) {
                const Cell& bottom = bottomColumn[row];
                const Cell& top = topColumn[row];
                picture->bottomImage = renderer.imageKey(bottom);
                picture->bottomTile = picture->bottomImage ? bottom.tileIndex : -1;
                picture->topImage = topLayer ? renderer.imageKey(top) : 0;
                picture->topTile = picture->topImage ? top.tileIndex : -1;
                picture->passMark = passMarks ? (top.pass ? 2 : 1) : 0;
            }
        }
    };
    const bool gridLines = showLines;
    const auto draw = [&](QImage& image, const DevicePixels& pixels, const QRect& part) {
        renderer.drawCells(image, pixels, part, scaledTiles);
        if (gridLines)
            renderer.drawGrid(image, pixels, part);
    };
    layerCache.paint(painter, area, picturesOf, draw, [&](QPainter& direct, const QRect& part) {
        drawDirectly(direct, part, renderer, groundColour(), gridLines);
    });
    return true;
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

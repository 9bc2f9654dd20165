#include "render/mappainting.h"

#include "render/layercache.h"
#include "render/maprenderer.h"
#include "render/scaledtiles.h"

#include <QPainter>

void paintMapDirectly(QPainter& painter, const QRect& area, const MapRenderer& renderer, const MapPaint& paint)
{
    painter.fillRect(area, paint.ground);
    renderer.drawCells(painter, area);
    if (paint.gridLines)
        renderer.drawGrid(painter, area);
}

void paintMap(QPainter& painter, const QRect& area, const MapRenderer& renderer, const MapPaint& paint,
              LayerCache& cache, ScaledTiles& tiles)
{
    // The cache copies device pixels, so it serves only a raster image
    // whose pixels it can composite exactly as the painter would draw them.
    const std::optional<LayerCache::Device> device = LayerCache::deviceOf(painter);
    if (!device) {
        cache.clear();
        paintMapDirectly(painter, area, renderer, paint);
        return;
    }

    const MapRenderer::Options& options = renderer.drawingOptions();
    const QSize cells = renderer.mapSize();
    LayerCache::Layout layout;
    for (int n = 0; n <= cells.width(); ++n)
        layout.columnLines.push_back(options.geometry.cellToPixel(n));
    for (int n = 0; n <= cells.height(); ++n)
        layout.rowLines.push_back(options.geometry.cellToPixel(n));
    layout.side = options.geometry.cellSide();
    layout.gridLines = paint.gridLines;
    layout.gridColour = paint.gridLines ? options.gridColour.rgba() : 0;
    layout.ground = paint.ground.rgba();
    layout.scale = device->scale;
    layout.phase = device->phase;
    layout.format = device->format;
    cache.setLayout(std::move(layout));

    const QList<qint64> keys = renderer.imageKeys();
    tiles.retain(keys);
    cache.setImages(keys);

    const auto picturesOf = [&](const QRect& area, CellPicture* pictures) {
        renderer.cellPictures(area, pictures);
    };
    const QRgb ground = paint.ground.rgba();
    const auto draw = [&](QImage& image, const DevicePixels& pixels, const QRect& part) {
        renderer.drawCells(image, pixels, part, tiles, nullptr, ground);
        if (paint.gridLines)
            renderer.drawGrid(image, pixels, part);
    };
    cache.paint(painter, area, picturesOf, draw,
                [&](QPainter& direct, const QRect& part) { paintMapDirectly(direct, part, renderer, paint); });
}

#include "render/previewpicture.h"

#include "render/scaledtiles.h"

#include <QPainter>

#include <algorithm>
#include <utility>

bool PreviewPicture::Shown::operator==(const Shown& other) const
{
    return pixels == other.pixels && where.scale == other.where.scale && where.dx == other.where.dx
        && where.dy == other.where.dy && look.ground == other.look.ground
        && look.gridLines == other.look.gridLines && look.halfOpaque == other.look.halfOpaque
        && geometry.tileSize == other.geometry.tileSize && geometry.zoom == other.geometry.zoom
        && gridColour == other.gridColour && images == other.images && cells == other.cells
        && before == other.before && after == other.after;
}

const QImage& PreviewPicture::picture(const MapRenderer& renderer, ScaledTiles& tiles, const QRect& pixels,
                                      const DevicePixels& where, const MapRenderer::CellsAt& previewed,
                                      const Look& look)
{
    const MapRenderer::Options& options = renderer.drawingOptions();
    Shown next;
    next.pixels = pixels;
    next.where = where;
    next.look = look;
    next.geometry = options.geometry;
    next.gridColour = options.gridColour.rgba();
    next.images = renderer.imageKeys();
    // The cells that may paint into the picture: the widget pixels reach a
    // pixel past it, into any cell whose tile reaches a pixel past its
    // square.
    const QRect widgetPixels = where.widgetArea(QRect(QPoint(0, 0), pixels.size()));
    const CanvasGeometry& geometry = options.geometry;
    next.cells = QRect(geometry.cellAt(widgetPixels.left(), widgetPixels.top()),
                       geometry.cellAt(widgetPixels.right(), widgetPixels.bottom()))
        & QRect(QPoint(0, 0), renderer.mapSize());
    const size_t count = size_t(next.cells.width()) * size_t(next.cells.height());
    if (look.halfOpaque) {
        next.before.resize(count);
        renderer.cellPictures(next.cells, next.before.data());
    }
    next.after.resize(count);
    renderer.cellPictures(next.cells, next.after.data(), previewed);
    if (!shown || !(*shown == next)) {
        draw(next, renderer, tiles, previewed);
        shown = std::move(next);
    }
    return image;
}

void PreviewPicture::draw(const Shown& what, const MapRenderer& renderer, ScaledTiles& tiles,
                          const MapRenderer::CellsAt& previewed)
{
    const QRect inImage(QPoint(0, 0), what.pixels.size());
    const auto cellsInto = [&](QImage& picture, const MapRenderer::CellsAt& cellsAt) {
        if (picture.size() != inImage.size())
            picture = QImage(inImage.size(), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < inImage.height(); ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
            std::fill(line, line + inImage.width(), what.look.ground);
        }
        renderer.drawCells(picture, what.where, inImage, tiles, cellsAt);
    };
    if (what.look.halfOpaque) {
        cellsInto(previewedCells, previewed);
        cellsInto(image, nullptr);
        QPainter blend(&image);
        blend.setOpacity(0.5);
        blend.drawImage(QPoint(0, 0), previewedCells, inImage);
    } else {
        cellsInto(image, previewed);
    }
    if (what.look.gridLines)
        renderer.drawGrid(image, what.where, inImage);
}

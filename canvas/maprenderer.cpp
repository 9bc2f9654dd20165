#include "canvas/maprenderer.h"

#include "canvas/worldmap.h"

#include <QPainter>

#include <algorithm>

const QColor MapRenderer::emptyCellColour(255, 255, 254);

MapRenderer::MapRenderer(const WorldMap& map, const Options& options)
    : map(map)
    , options(options)
    , slotImages(map.slotCount(), nullptr)
    , slotTiles(map.slotCount(), 0)
    , slotKeys(map.slotCount(), 0)
{
    const int tileSize = options.geometry.tileSize;
    for (quint32 slot = 1; slot < map.slotCount(); ++slot) {
        const QPixmap& image = map.slotImage(slot);
        const qint64 tiles = qint64(image.width() / tileSize) * (image.height() / tileSize);
        if (tiles > 0) {
            slotImages[slot] = &image;
            slotTiles[slot] = tiles;
            slotKeys[slot] = image.cacheKey();
        }
    }
}

bool MapRenderer::isDrawable(const Cell& cell) const
{
    // Below the count of whole tiles, a tile's square lies inside the image
    // and no position computed from it can overflow.
    return cell.tileIndex >= 0 && cell.tileIndex < slotTiles[cell.tileSet];
}

void MapRenderer::drawCells(QPainter& painter, const QRect& area) const
{
    // Cell i covers pixels cellToPixel(i) to cellToPixel(i + 1); one cell of
    // slack on each side keeps rounding from dropping an edge cell.
    const CanvasGeometry& geometry = options.geometry;
    const QPoint first = geometry.cellAt(area.left(), area.top()) - QPoint(1, 1);
    const QPoint last = geometry.cellAt(area.right(), area.bottom()) + QPoint(1, 1);
    const int x0 = std::max(0, first.x()), x1 = std::min(map.width() - 1, last.x());
    const int y0 = std::max(0, first.y()), y1 = std::min(map.height() - 1, last.y());
    const bool passMarks = options.passYes && options.passNo;

    for (int i = x0; i <= x1; ++i) {
        const Cell* bottomColumn = map.cells(Layer::Bottom).column(i);
        const Cell* topColumn = map.cells(Layer::Top).column(i);
        for (int j = y0; j <= y1; ++j) {
            QRect target = geometry.cellRect(i, j);
            const Cell& bottom = bottomColumn[j];
            if (isDrawable(bottom)) {
                drawTile(painter, target, bottom);
            } else {
                target.adjust(0, 0, 1, 1);
                painter.fillRect(target, emptyCellColour);
            }
            const Cell& top = topColumn[j];
            if (options.topLayer && isDrawable(top))
                drawTile(painter, target, top);
            if (passMarks) {
                const QPixmap& mark = top.pass ? *options.passYes : *options.passNo;
                painter.drawPixmap(QRectF(target), mark, QRectF(mark.rect()));
            }
        }
    }
}

void MapRenderer::drawTile(QPainter& painter, const QRect& target, const Cell& cell) const
{
    const QPixmap& image = *slotImages[cell.tileSet];
    const int tileSize = options.geometry.tileSize;
    const int setColumns = image.width() / tileSize;
    const QRect source(tileSize * (cell.tileIndex % setColumns), tileSize * (cell.tileIndex / setColumns),
                       tileSize, tileSize);
    painter.drawPixmap(QRectF(target), image, QRectF(source));
}

void MapRenderer::drawGrid(QPainter& painter, const QRect& area) const
{
    // Each line is filled as a rectangle one pixel wide, which gives exactly
    // the pixels of the cosmetic one-pixel line from end to end, both ends
    // included; the line drawing would fill a vertical line pixel by pixel.
    const CanvasGeometry& geometry = options.geometry;
    const int right = geometry.cellToPixel(map.width());
    const int bottom = geometry.cellToPixel(map.height());
    for (int r = 0; r <= map.height(); ++r) {
        const int y = geometry.cellToPixel(r);
        if (y >= area.top() && y <= area.bottom())
            painter.fillRect(QRect(0, y, right + 1, 1), options.gridColour);
    }
    for (int k = 0; k <= map.width(); ++k) {
        const int x = geometry.cellToPixel(k);
        if (x >= area.left() && x <= area.right())
            painter.fillRect(QRect(x, 0, 1, bottom + 1), options.gridColour);
    }
}

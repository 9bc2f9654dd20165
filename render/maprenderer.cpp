#include "render/maprenderer.h"

#include "render/pixeltarget.h"
#include "render/scaledtiles.h"
#include "model/worldmap.h"

#include <QImage>
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

QRect MapRenderer::cellsMeeting(const QRect& area) const
{
    // Cell i covers pixels cellToPixel(i) to cellToPixel(i + 1); one cell of
    // slack on each side keeps rounding from dropping an edge cell.
    const CanvasGeometry& geometry = options.geometry;
    const QPoint first = geometry.cellAt(area.left(), area.top()) - QPoint(1, 1);
    const QPoint last = geometry.cellAt(area.right(), area.bottom()) + QPoint(1, 1);
    return QRect(QPoint(std::max(0, first.x()), std::max(0, first.y())),
                 QPoint(std::min(map.width() - 1, last.x()), std::min(map.height() - 1, last.y())));
}

void MapRenderer::drawCells(QPainter& painter, const QRect& area) const
{
    const CanvasGeometry& geometry = options.geometry;
    const QRect cells = cellsMeeting(area);
    const bool passMarks = options.passYes && options.passNo;

    for (int i = cells.left(); i <= cells.right(); ++i) {
        const Cell* bottomColumn = map.cells(Layer::Bottom).column(i);
        const Cell* topColumn = map.cells(Layer::Top).column(i);
        for (int j = cells.top(); j <= cells.bottom(); ++j) {
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

void MapRenderer::drawCells(QImage& image, const QPoint& origin, const QRect& area, ScaledTiles& tiles,
                            const CellsAt& cellsAt) const
{
    const QRect clip = area & QRect(origin, image.size());
    if (clip.isEmpty() || drawnWithPainter(image, origin, clip, &MapRenderer::drawCells))
        return;

    const CanvasGeometry& geometry = options.geometry;
    const QRect cells = cellsMeeting(clip);
    const int side = geometry.cellSide();
    const QSize tileSize(geometry.tileSize, geometry.tileSize);
    PixelTarget target(image, origin, clip);

    // A tile is drawn into its cell's square, or into the square one pixel
    // wider and taller over an empty bottom cell. The sets of each slot at
    // both sides are looked up when first needed.
    std::vector<ScaledTiles::Set*> squareSets(slotImages.size()), widenedSets(slotImages.size());
    const auto tileOf = [&](const Cell& cell, bool widened) -> const ScaledTiles::Tile& {
        ScaledTiles::Set*& set = (widened ? widenedSets : squareSets)[cell.tileSet];
        if (!set)
            set = &tiles.set(*slotImages[cell.tileSet], tileSize, widened ? side + 1 : side);
        return set->tile(cell.tileIndex);
    };
    const bool passMarks = options.passYes && options.passNo;
    const ScaledTiles::Tile* marks[2][2] = {}; // [widened][passable]
    if (passMarks) {
        for (int widened = 0; widened < 2; ++widened) {
            for (const QPixmap* mark : { options.passNo, options.passYes }) {
                marks[widened][mark == options.passYes] = &tiles.set(*mark, mark->size(), side + widened).tile(0);
            }
        }
    }
    const QRgb emptyColour = emptyCellColour.rgba();
    std::vector<int> rowPixels;
    for (int j = cells.top(); j <= cells.bottom(); ++j)
        rowPixels.push_back(geometry.cellToPixel(j));

    for (int i = cells.left(); i <= cells.right(); ++i) {
        const Cell* bottomColumn = map.cells(Layer::Bottom).column(i);
        const Cell* topColumn = map.cells(Layer::Top).column(i);
        const int x = geometry.cellToPixel(i);
        for (int j = cells.top(); j <= cells.bottom(); ++j) {
            const int y = rowPixels[size_t(j - cells.top())];
            Cell bottom = bottomColumn[j];
            Cell top = topColumn[j];
            if (cellsAt)
                cellsAt(i, j, &bottom, &top);
            const bool widened = !isDrawable(bottom);
            if (widened)
                target.fill(x, y, side + 1, emptyColour);
            else
                target.composite(x, y, side, tileOf(bottom, false));
            if (options.topLayer && isDrawable(top))
                target.composite(x, y, side + widened, tileOf(top, widened));
            if (passMarks)
                target.composite(x, y, side + widened, *marks[widened][top.pass]);
        }
    }
}

bool MapRenderer::drawnWithPainter(QImage& image, const QPoint& origin, const QRect& clip,
                                   void (MapRenderer::*draw)(QPainter&, const QRect&) const) const
{
    if (image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_RGB32)
        return false;
    QPainter painter(&image);
    painter.translate(-origin);
    painter.setClipRect(clip);
    (this->*draw)(painter, clip);
    return true;
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

void MapRenderer::drawGrid(QImage& image, const QPoint& origin, const QRect& area) const
{
    const QRect clip = area & QRect(origin, image.size());
    if (clip.isEmpty() || drawnWithPainter(image, origin, clip, &MapRenderer::drawGrid))
        return;
    // QPainter fills with a colour premultiplied this way.
    const QRgb colour = qPremultiply(options.gridColour.rgba());
    PixelTarget target(image, origin, clip);
    const CanvasGeometry& geometry = options.geometry;
    const int right = geometry.cellToPixel(map.width());
    const int bottom = geometry.cellToPixel(map.height());
    for (int r = 0; r <= map.height(); ++r) {
        const int y = geometry.cellToPixel(r);
        if (y >= clip.top() && y <= clip.bottom())
            target.blend(QRect(0, y, right + 1, 1), colour);
    }
    std::vector<int> columns;
    for (int k = 0; k <= map.width(); ++k)
        columns.push_back(geometry.cellToPixel(k));
    target.blendColumns(columns, 0, bottom, colour);
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

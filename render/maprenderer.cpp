#include "render/maprenderer.h"

#include "render/devicepixels.h"
#include "render/layercache.h"
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
    , slotPixmaps(map.slotCount(), nullptr)
    , slotImages(map.slotCount())
    , slotTiles(map.slotCount(), 0)
    , slotKeys(map.slotCount(), 0)
{
    const int tileSize = options.geometry.tileSize;
    for (quint32 slot = 1; slot < map.slotCount(); ++slot) {
        const QPixmap& image = map.slotImage(slot);
        const qint64 tiles = qint64(image.width() / tileSize) * (image.height() / tileSize);
        if (tiles > 0) {
            slotPixmaps[slot] = &image;
            // A raster pixmap lends its image without a copy.
            slotImages[slot] = image.toImage();
            slotTiles[slot] = tiles;
            slotKeys[slot] = image.cacheKey();
        }
    }
    if (options.passYes && options.passNo) {
        passImages[0] = options.passNo->toImage();
        passImages[1] = options.passYes->toImage();
        passKeys[0] = options.passNo->cacheKey();
        passKeys[1] = options.passYes->cacheKey();
    }
}

void MapRenderer::cellPictures(const QRect& cells, CellPicture* pictures, const CellsAt& cellsAt) const
{
    const CellGrid& topCells = map.cells(Layer::Top);
    const CellGrid& bottomCells = map.cells(Layer::Bottom);
    const bool passMarks = passKeys[0] != 0;
    for (int column = cells.left(); column <= cells.right(); ++column) {
        const Cell* bottomColumn = bottomCells.column(column);
        const Cell* topColumn = topCells.column(column);
        for (int row = cells.top(); row <= cells.bottom(); ++row, ++pictures) {
            Cell bottom = bottomColumn[row];
            Cell top = topColumn[row];
            if (cellsAt)
                cellsAt(column, row, &bottom, &top);
            pictures->bottomImage = imageKey(bottom);
            pictures->bottomTile = pictures->bottomImage ? bottom.tileIndex : -1;
            pictures->topImage = options.topLayer ? imageKey(top) : 0;
            pictures->topTile = pictures->topImage ? top.tileIndex : -1;
            pictures->passMark = passMarks ? (top.pass ? 2 : 1) : 0;
        }
    }
}

QList<qint64> MapRenderer::imageKeys() const
{
    QList<qint64> keys;
    for (qint64 key : passKeys) {
        if (key)
            keys << key;
    }
    for (qint64 key : slotKeys) {
        if (key)
            keys << key;
    }
    return keys;
}

QSize MapRenderer::mapSize() const
{
    return QSize(map.width(), map.height());
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

namespace {

// Where a run of cells lies along one axis of the device: per cell, the
// whole device pixel at or before its corner, the quarter of a pixel past
// it, and the pixels that the empty-cell colour fills over its widened
// square, to before `fillEnd`.
struct DeviceLines
{
    std::vector<int> whole;
    std::vector<int> quarter;
    std::vector<int> fillStart;
    std::vector<int> fillEnd;

    DeviceLines(const CanvasGeometry& geometry, qreal scale, qreal offset, int first, int last)
    {
        const DevicePixels along { scale, offset, 0 };
        const int side = geometry.cellSide();
        for (int n = first; n <= last; ++n) {
            const int pixel = geometry.cellToPixel(n);
            const qreal position = along.x(pixel);
            const qreal floor = std::floor(position);
            whole.push_back(int(floor));
            quarter.push_back(int((position - floor) * 4));
            const QRect fill = along.filled(QRect(pixel, 0, side + 1, 1));
            fillStart.push_back(fill.left());
            fillEnd.push_back(fill.right() + 1);
        }
    }
};

// The scaled sets that cells of the map draw from on one device, each
// looked up in `tiles` the first time it is needed: by the cell's image,
// whether its square is widened by a pixel, and the quarters of a device
// pixel at which it lies.
class CellSets
{
public:
    CellSets(const std::vector<QImage>& images, const std::vector<qint64>& keys, const QSize& tileSize, qreal scale,
             int side, ScaledTiles& tiles)
        : images(images)
        , keys(keys)
        , tileSize(tileSize)
        , scale(scale)
        , side(side)
        , tiles(tiles)
        , sets(images.size() * 32)
    {
    }

    ScaledTiles::Set& of(const Cell& cell, int widened, int quarterX, int quarterY)
    {
        ScaledTiles::Set*& set = sets[size_t(cell.tileSet) * 32 + size_t((widened * 4 + quarterX) * 4 + quarterY)];
        if (!set) {
            set = &tiles.set(images[cell.tileSet], keys[cell.tileSet], tileSize,
                             ScaledTiles::Placement { scale, side + widened, quarterX / 4.0, quarterY / 4.0 });
        }
        return *set;
    }

private:
    const std::vector<QImage>& images;
    const std::vector<qint64>& keys;
    const QSize tileSize;
    const qreal scale;
    const int side;
    ScaledTiles& tiles;
    std::vector<ScaledTiles::Set*> sets;
};

} // namespace

namespace {

// Whether the opaque bottom tiles of `cells` cover every pixel of `clip`.
// The cells' squares may leave a gap for the grid line between them, so
// the tiles of each column and of each row must span it without a gap.
bool bottomTilesCover(const MapRenderer& renderer, const CellGrid& bottomCells, const QRect& cells,
                      const DeviceLines& columns, const DeviceLines& rows, CellSets& sets, const QRect& clip,
                      const MapRenderer::CellsAt& cellsAt)
{
    std::vector<std::pair<int, int>> across(size_t(cells.width())), down(size_t(cells.height()));
    for (int i = cells.left(); i <= cells.right(); ++i) {
        const Cell* bottomColumn = bottomCells.column(i);
        const size_t column = size_t(i - cells.left());
        for (int j = cells.top(); j <= cells.bottom(); ++j) {
            Cell bottom = bottomColumn[j];
            if (cellsAt) {
                Cell top;
                cellsAt(i, j, &bottom, &top);
            }
            if (!renderer.isDrawable(bottom))
                return false;
            const size_t row = size_t(j - cells.top());
            ScaledTiles::Set& set = sets.of(bottom, 0, columns.quarter[column], rows.quarter[row]);
            const ScaledTiles::Tile& tile = set.tile(bottom.tileIndex);
            if (tile.coverage != ScaledTiles::Coverage::Opaque)
                return false;
            const QPoint corner = QPoint(columns.whole[column], rows.whole[row]) + set.offset();
            across[column] = { corner.x(), corner.x() + tile.width };
            down[row] = { corner.y(), corner.y() + tile.height };
        }
    }
    const auto spans = [](const std::vector<std::pair<int, int>>& runs, int first, int end) {
        for (size_t k = 1; k < runs.size(); ++k) {
            if (runs[k].first > runs[k - 1].second)
                return false;
        }
        return runs.front().first <= first && runs.back().second >= end;
    };
    return spans(across, clip.left(), clip.right() + 1) && spans(down, clip.top(), clip.bottom() + 1);
}

} // namespace

void MapRenderer::drawCells(QImage& image, const DevicePixels& device, const QRect& area, ScaledTiles& tiles,
                            const CellsAt& cellsAt, std::optional<QRgb> ground) const
{
    const QRect clip = area & image.rect();
    if (clip.isEmpty())
        return;
    if (!composited(image, device)) {
        if (ground) {
            QPainter painter(&image);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(clip, QColor::fromRgba(qUnpremultiply(*ground)));
        }
        drawWithPainter(image, device, clip, &MapRenderer::drawCells);
        return;
    }

    const CanvasGeometry& geometry = options.geometry;
    const QRect cells = cellsMeeting(device.widgetArea(clip));
    PixelTarget target(image, QPoint(0, 0), clip);
    if (cells.isEmpty()) {
        if (ground)
            target.fill(clip, *ground);
        return;
    }
    const int side = geometry.cellSide();
    const QSize tileSize(geometry.tileSize, geometry.tileSize);
    const DeviceLines columns(geometry, device.scale, device.dx, cells.left(), cells.right());
    const DeviceLines rows(geometry, device.scale, device.dy, cells.top(), cells.bottom());

    // A tile is drawn into its cell's square, or into the square one pixel
    // wider and taller over an empty bottom cell, at one of four quarters
    // of a device pixel each way.
    CellSets sets(slotImages, slotKeys, tileSize, device.scale, side, tiles);
    // Where cells are small, the ground is filled even under opaque tiles
    // that cover it all: the fill writes whole cache lines in memory order
    // and leaves them in the core's cache for the tiles' short rows, which
    // is quicker than the tiles alone, and quicker than asking each of the
    // many cells whether it covers its square. Larger tiles write long rows
    // of their own, and the few cells are soon asked.
    constexpr qreal SmallCellPixels = 16;
    if (ground
        && (side * device.scale < SmallCellPixels
            || !bottomTilesCover(*this, map.cells(Layer::Bottom), cells, columns, rows, sets, clip, cellsAt)))
        target.fill(clip, *ground);
    const bool passMarks = !passImages[0].isNull();
    ScaledTiles::Set* markSets[2][32] = {}; // [passable][placement]
    const auto markOf = [&](bool passable, int widened, int quarterX, int quarterY) -> ScaledTiles::Set& {
        ScaledTiles::Set*& set = markSets[passable][(widened * 4 + quarterX) * 4 + quarterY];
        if (!set) {
            const QImage& mark = passImages[passable];
            set = &tiles.set(mark, passKeys[passable], mark.size(),
                             ScaledTiles::Placement { device.scale, side + widened, quarterX / 4.0, quarterY / 4.0 });
        }
        return *set;
    };
    const QRgb emptyColour = emptyCellColour.rgba();

    for (int i = cells.left(); i <= cells.right(); ++i) {
        const Cell* bottomColumn = map.cells(Layer::Bottom).column(i);
        const Cell* topColumn = map.cells(Layer::Top).column(i);
        const size_t column = size_t(i - cells.left());
        const int x = columns.whole[column], quarterX = columns.quarter[column];
        for (int j = cells.top(); j <= cells.bottom(); ++j) {
            const size_t row = size_t(j - cells.top());
            const int y = rows.whole[row], quarterY = rows.quarter[row];
            const auto draw = [&](ScaledTiles::Set& set, qint32 index) {
                const QPoint offset = set.offset();
                target.composite(x + offset.x(), y + offset.y(), set.tile(index));
            };
            Cell bottom = bottomColumn[j];
            Cell top = topColumn[j];
            if (cellsAt)
                cellsAt(i, j, &bottom, &top);
            const int widened = isDrawable(bottom) ? 0 : 1;
            if (widened) {
                target.blend(QRect(QPoint(columns.fillStart[column], rows.fillStart[row]),
                                   QPoint(columns.fillEnd[column] - 1, rows.fillEnd[row] - 1)),
                             emptyColour);
            } else {
                draw(sets.of(bottom, 0, quarterX, quarterY), bottom.tileIndex);
            }
            if (options.topLayer && isDrawable(top))
                draw(sets.of(top, widened, quarterX, quarterY), top.tileIndex);
            if (passMarks)
                draw(markOf(top.pass, widened, quarterX, quarterY), 0);
        }
    }
}

bool MapRenderer::composited(const QImage& image, const DevicePixels& device)
{
    return (image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_RGB32)
        && device.onQuarters();
}

void MapRenderer::drawWithPainter(QImage& image, const DevicePixels& device, const QRect& clip,
                                  void (MapRenderer::*draw)(QPainter&, const QRect&) const) const
{
    QPainter painter(&image);
    painter.setClipRect(clip);
    painter.setTransform(QTransform(device.scale, 0, 0, device.scale, device.dx, device.dy));
    (this->*draw)(painter, device.widgetArea(clip));
}

void MapRenderer::drawTile(QPainter& painter, const QRect& target, const Cell& cell) const
{
    const QPixmap& image = *slotPixmaps[cell.tileSet];
    const int tileSize = options.geometry.tileSize;
    const int setColumns = image.width() / tileSize;
    const QRect source(tileSize * (cell.tileIndex % setColumns), tileSize * (cell.tileIndex / setColumns),
                       tileSize, tileSize);
    painter.drawPixmap(QRectF(target), image, QRectF(source));
}

void MapRenderer::drawGrid(QImage& image, const DevicePixels& device, const QRect& area) const
{
    const QRect clip = area & image.rect();
    if (clip.isEmpty())
        return;
    if (!composited(image, device)) {
        drawWithPainter(image, device, clip, &MapRenderer::drawGrid);
        return;
    }
    // QPainter fills with a colour premultiplied this way.
    const QRgb colour = qPremultiply(options.gridColour.rgba());
    PixelTarget target(image, QPoint(0, 0), clip);
    const CanvasGeometry& geometry = options.geometry;
    const int right = geometry.cellToPixel(map.width());
    const int bottom = geometry.cellToPixel(map.height());
    // Only the lines of the cells near the area: a small edit's few cells
    // are drawn again without a look at every line.
    const QRect near = cellsMeeting(device.widgetArea(clip));
    for (int r = near.top(); r <= near.bottom() + 1; ++r) {
        const int y = geometry.cellToPixel(r);
        target.blend(device.lined(QPoint(0, y), QPoint(right, y)), colour);
    }
    std::vector<std::pair<int, int>> columns;
    for (int k = near.left(); k <= near.right() + 1; ++k) {
        const int x = device.lined(QPoint(geometry.cellToPixel(k), 0), QPoint(geometry.cellToPixel(k), 0)).left();
        columns.emplace_back(x, x + 1);
    }
    const QRect height = device.lined(QPoint(0, 0), QPoint(0, bottom));
    target.blendColumns(columns, height.top(), height.bottom() + 1, colour);
}

void MapRenderer::drawGrid(QPainter& painter, const QRect& area) const
{
    const CanvasGeometry& geometry = options.geometry;
    const int right = geometry.cellToPixel(map.width());
    const int bottom = geometry.cellToPixel(map.height());
    if (painter.deviceTransform().type() > QTransform::TxTranslate) {
        // On a scaled device the cosmetic pen stays one device pixel wide.
        painter.save();
        painter.setPen(QPen(options.gridColour, 0));
        for (int r = 0; r <= map.height(); ++r) {
            const int y = geometry.cellToPixel(r);
            const QLine line(0, y, right, y);
            if (y >= area.top() - 1 && y <= area.bottom() + 1)
                painter.drawLines(&line, 1);
        }
        for (int k = 0; k <= map.width(); ++k) {
            const int x = geometry.cellToPixel(k);
            const QLine line(x, 0, x, bottom);
            if (x >= area.left() - 1 && x <= area.right() + 1)
                painter.drawLines(&line, 1);
        }
        painter.restore();
        return;
    }
    // Each line is filled as a rectangle one pixel wide, which gives exactly
    // the pixels of the cosmetic one-pixel line from end to end, both ends
    // included; the line drawing would fill a vertical line pixel by pixel.
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

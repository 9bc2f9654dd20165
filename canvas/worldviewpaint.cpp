// Drawing of the canvas. Every step draws only what meets the area being
// repainted; the pixels inside it are those of drawing everything in order.
// The cells and the grid lines come from a cache of their picture at the
// current zoom wherever that gives exactly the same pixels; the start,
// cursor and selection marks are always drawn over them directly.

#include "canvas/worldviewwidget.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <array>
#include <functional>

namespace {

const QColor emptyCellColour(255, 255, 254);

} // namespace

int WorldViewWidget::cellToPixel(int n) const
{
    return int((n * tileSize) * double(zoomFactor));
}

QRect WorldViewWidget::cellRect(int column, int row) const
{
    const int side = int(tileSize * double(zoomFactor));
    return QRect(cellToPixel(column), cellToPixel(row), side, side);
}

QSize WorldViewWidget::sizeHint() const
{
    const double cell = tileSize * double(zoomFactor);
    return QSize(int(worldWidth * cell + 1), int(worldHeight * cell + 1));
}

void WorldViewWidget::setZoom(float zoom)
{
    if (zoom > 1.0f)
        zoom = 1.0f;
    else if (zoom < 0.1f)
        zoom = 0.1f;
    zoomFactor = zoom;
    resize(sizeHint());
    update();
    updateGeometry();
}

QRect WorldViewWidget::cellsToPixels(const QRect& cells, int margin) const
{
    // An empty bottom cell is filled one pixel wider and taller than the
    // cell, up to and including the next grid line.
    return QRect(QPoint(cellToPixel(cells.left()), cellToPixel(cells.top())),
                 QPoint(cellToPixel(cells.right() + 1), cellToPixel(cells.bottom() + 1)))
        .adjusted(-margin, -margin, margin, margin);
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
    update(cellsToPixels(cells, 0));
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

void WorldViewWidget::paintEvent(QPaintEvent* event)
{
    resize(sizeHint());
    QPainter painter(this);
    const QRect area = event->rect();
    if (!drawCachedCells(painter, area)) {
        drawCells(painter, area);
        if (showLines)
            drawGrid(painter, area);
    }
    drawMarks(painter);
    if (selectionRect)
        drawSelection(painter);
}

void WorldViewWidget::drawCells(QPainter& painter, const QRect& area) const
{
    // Cell i covers pixels cellToPixel(i) to cellToPixel(i + 1); one cell of
    // slack on each side keeps rounding from dropping an edge cell.
    const QPoint first = cellAt(area.left(), area.top()) - QPoint(1, 1);
    const QPoint last = cellAt(area.right(), area.bottom()) + QPoint(1, 1);
    const int x0 = std::max(0, first.x()), x1 = std::min(worldWidth - 1, last.x());
    const int y0 = std::max(0, first.y()), y1 = std::min(worldHeight - 1, last.y());
    const bool passMarks = currentTool == Pass;

    for (int i = x0; i <= x1; ++i) {
        const Tile* bottomColumn = bottomLayer[i];
        const Tile* topColumn = topLayer[i];
        for (int j = y0; j <= y1; ++j) {
            QRect target = cellRect(i, j);
            const Tile& bottom = bottomColumn[j];
            if (isDrawable(bottom)) {
                drawTile(painter, target, bottom);
            } else {
                target.adjust(0, 0, 1, 1);
                painter.fillRect(target, emptyCellColour);
            }
            const Tile& top = topColumn[j];
            if (topLayerOn && isDrawable(top))
                drawTile(painter, target, top);
            if (passMarks) {
                const QPixmap& mark = top.pass ? passYesImage : passNoImage;
                painter.drawPixmap(QRectF(target), mark, QRectF(mark.rect()));
            }
        }
    }
}

bool WorldViewWidget::drawCachedCells(QPainter& painter, const QRect& area)
{
    // The cache copies whole device pixels, so it serves only an unscaled
    // device.
    if (devicePixelRatioF() != 1.0 || !cachedPicturesExact()) {
        layerCache.clear();
        return false;
    }

    LayerCache::Layout layout;
    for (int n = 0; n <= worldWidth; ++n)
        layout.columnLines.push_back(cellToPixel(n));
    for (int n = 0; n <= worldHeight; ++n)
        layout.rowLines.push_back(cellToPixel(n));
    layout.side = int(tileSize * double(zoomFactor));
    layout.gridLines = showLines;
    layout.gridColour = showLines ? palette().color(QPalette::WindowText).rgba() : 0;
    layerCache.setLayout(std::move(layout));
    // Pass flags also change without a report (a tile's own setCollision(),
    // clearing a set that has no tile sets) and show only in Pass mode:
    // there every cell is looked at.
    if (currentTool == Pass)
        layerCache.cellsChanged(QRect(0, 0, worldWidth, worldHeight));

    // A cell is told apart by the images it draws from; 0 stands for a cell
    // that drawCells() treats as empty.
    std::array<qint64, MaxTileSets> slotKeys;
    for (int slot = 0; slot < MaxTileSets; ++slot) {
        const QPixmap& image = tileSets[slot];
        slotKeys[size_t(slot)] = !image.isNull() && image.width() >= tileSize ? image.cacheKey() : 0;
    }
    const auto imageKey = [&](const Tile& tile) -> qint64 {
        if (tile.isEmpty() || !tile.tileSet)
            return 0;
        const std::less<const QPixmap*> before;
        if (!before(tile.tileSet, std::begin(tileSets)) && before(tile.tileSet, std::end(tileSets)))
            return slotKeys[size_t(tile.tileSet - std::begin(tileSets))];
        return isDrawable(tile) ? tile.tileSet->cacheKey() : 0;
    };
    const bool passMarks = currentTool == Pass;
    const auto picturesOf = [&](const QRect& cells, CellPicture* picture) {
        for (int column = cells.left(); column <= cells.right(); ++column) {
            const Tile* bottomColumn = bottomLayer[column];
            const Tile* topColumn = topLayer[column];
            for (int row = cells.top(); row <= cells.bottom(); ++row, ++picture) {
                const Tile& bottom = bottomColumn[row];
                const Tile& top = topColumn[row];
                picture->bottomImage = imageKey(bottom);
                picture->bottomTile = picture->bottomImage ? bottom.tileIndex : -1;
                picture->topImage = topLayerOn ? imageKey(top) : 0;
                picture->topTile = picture->topImage ? top.tileIndex : -1;
                picture->passMark = passMarks ? (top.pass ? 2 : 1) : 0;
            }
        }
    };
    const auto draw = [this](QPainter& cachePainter, const QRect& pixels) {
        drawCells(cachePainter, pixels);
        if (showLines)
            drawGrid(cachePainter, pixels);
    };
    return layerCache.paint(painter, area, picturesOf, draw);
}

bool WorldViewWidget::cachedPicturesExact()
{
    // A partly transparent pixel composited once into the cache and once
    // more onto the widget can round differently from drawing it directly.
    QList<qint64> keys = { passYesImage.cacheKey(), passNoImage.cacheKey() };
    bool exact = currentTool != Pass
        || (layerCache.imageIsExact(passYesImage) && layerCache.imageIsExact(passNoImage));
    if (showLines && palette().color(QPalette::WindowText).alpha() != 255)
        exact = false;
    for (const QPixmap& image : tileSets) {
        if (image.isNull())
            continue;
        keys << image.cacheKey();
        exact = layerCache.imageIsExact(image) && exact;
    }
    layerCache.setImages(keys);
    return exact;
}

bool WorldViewWidget::isDrawable(const Tile& tile) const
{
    // A cell whose image is missing (its tile set failed to load) or too
    // narrow to hold one tile is drawn as an empty cell.
    return !tile.isEmpty() && tile.tileSet && tile.tileSet->width() >= tileSize;
}

void WorldViewWidget::drawTile(QPainter& painter, const QRect& target, const Tile& tile) const
{
    const int setColumns = tile.tileSet->width() / tileSize;
    const QRect source(tileSize * (tile.tileIndex % setColumns), tileSize * (tile.tileIndex / setColumns),
                       tileSize, tileSize);
    painter.drawPixmap(QRectF(target), *tile.tileSet, QRectF(source));
}

void WorldViewWidget::drawGrid(QPainter& painter, const QRect& area) const
{
    // Each line is filled as a rectangle one pixel wide, which gives exactly
    // the pixels of the cosmetic one-pixel line from end to end, both ends
    // included; the line drawing would fill a vertical line pixel by pixel.
    const QColor colour = palette().color(QPalette::WindowText);
    const int right = cellToPixel(worldWidth);
    const int bottom = cellToPixel(worldHeight);
    for (int r = 0; r <= worldHeight; ++r) {
        const int y = cellToPixel(r);
        if (y >= area.top() && y <= area.bottom())
            painter.fillRect(QRect(0, y, right + 1, 1), colour);
    }
    for (int k = 0; k <= worldWidth; ++k) {
        const int x = cellToPixel(k);
        if (x >= area.left() && x <= area.right())
            painter.fillRect(QRect(x, 0, 1, bottom + 1), colour);
    }
}

void WorldViewWidget::drawMarks(QPainter& painter) const
{
    painter.drawPixmap(QRectF(cellRect(startPoint)), startImage, QRectF(startImage.rect()));
    const int grow = int(20 * double(zoomFactor));
    for (const QPoint& cell : { currentCell, hoverCell }) {
        const QRect target = cellRect(cell).adjusted(-grow, -grow, grow, grow);
        painter.drawPixmap(QRectF(target), cursorImage, QRectF(cursorImage.rect()));
    }
}

void WorldViewWidget::drawSelection(QPainter& painter) const
{
    painter.setPen(QPen(QBrush(QColor(55, 150, 240, 200)), 3, Qt::DashLine));
    const QRect& cells = *selectionRect;
    const int x1 = cellToPixel(cells.left()), x2 = cellToPixel(cells.right() + 1);
    const int y1 = cellToPixel(cells.top()), y2 = cellToPixel(cells.bottom() + 1);
    const QLine lines[]
        = { QLine(x1, y1, x2, y1), QLine(x1, y1, x1, y2), QLine(x1, y2, x2, y2), QLine(x2, y1, x2, y2) };
    for (const QLine& line : lines)
        painter.drawLines(&line, 1);
}

#include "palette/tilesetwidget.h"

#include <QLine>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QSet>

#include <algorithm>
#include <map>

namespace {

// The outline of a group of tiles, in tile units: each side of a tile that
// no other tile of the group shares, joined along its grid line with the
// sides next to it, so that no two lines overlap but at corners.
std::vector<QLine> outline(const std::vector<QPoint>& tiles)
{
    const QSet<QPoint> group(tiles.begin(), tiles.end());
    std::map<int, std::vector<int>> across; // grid line y: the tiles x with a side on it
    std::map<int, std::vector<int>> down; // grid line x: the tiles y
    for (const QPoint& tile : tiles) {
        if (!group.contains(tile - QPoint(0, 1)))
            across[tile.y()].push_back(tile.x());
        if (!group.contains(tile + QPoint(0, 1)))
            across[tile.y() + 1].push_back(tile.x());
        if (!group.contains(tile - QPoint(1, 0)))
            down[tile.x()].push_back(tile.y());
        if (!group.contains(tile + QPoint(1, 0)))
            down[tile.x() + 1].push_back(tile.y());
    }
    std::vector<QLine> lines;
    const auto join = [&lines](std::map<int, std::vector<int>>& sides, bool horizontal) {
        for (auto& [line, at] : sides) {
            std::sort(at.begin(), at.end());
            for (size_t first = 0; first < at.size();) {
                size_t last = first;
                while (last + 1 < at.size() && at[last + 1] == at[last] + 1)
                    ++last;
                lines.push_back(horizontal ? QLine(at[first], line, at[last] + 1, line)
                                           : QLine(line, at[first], line, at[last] + 1));
                first = last + 1;
            }
        }
    };
    join(across, true);
    join(down, false);
    return lines;
}

} // namespace

TileSetWidget::TileSetWidget(int tileSize, QWidget* parent)
    : TileSetWidget(nullptr, tileSize, parent)
{
}

TileSetWidget::TileSetWidget(MapDocument* document, int tileSize, QWidget* parent)
    : QWidget(parent)
    , doc(document ? document : new MapDocument(this))
    , tileSide(tileSize)
{
    const WorldMap* map = &doc->map();
    connect(map, &WorldMap::tileSetsChanged, this, [this] {
        emit tileSetsListed(doc->map().tileSetNames());
        emit missingTileSetsListed(doc->map().missingTileSets());
        showShownSet();
    });
    connect(map, &WorldMap::shownTileSetChanged, this, [this](int k) {
        showShownSet();
        frameBrush();
        emit tileSetShown(k);
    });
    connect(doc, &MapDocument::brushChanged, this, &TileSetWidget::frameBrush);
    resize(QSize(239, 100));
    update();
    updateGeometry();
}

TileSetWidget::~TileSetWidget()
{
    // A document of the window's outlives the palette; it must not call back.
    disconnect(doc, nullptr, this, nullptr);
    disconnect(&doc->map(), nullptr, this, nullptr);
}

QSize TileSetWidget::sizeHint() const
{
    const double side = tileSide * double(zoomFactor);
    return QSize(int(columns * side + 1), int(rows * side + 1));
}

const Tile* TileSetWidget::tileAt(int column, int row) const
{
    if (column < 0 || row < 0 || column >= columns || row >= rows)
        return nullptr;
    return &gridTile(column, row);
}

int TileSetWidget::cellToPixel(int n) const
{
    return int((n * tileSide) * double(zoomFactor));
}

QRect TileSetWidget::cellRect(int column, int row) const
{
    const int side = int(tileSide * double(zoomFactor) + 1);
    return QRect(cellToPixel(column), cellToPixel(row), side, side);
}

QPoint TileSetWidget::cellAt(int x, int y) const
{
    return QPoint(int(x / double(zoomFactor) / tileSide), int(y / double(zoomFactor) / tileSide));
}

void TileSetWidget::addTileSet(QPixmap* newSet, QString newFile)
{
    // The canvas, connected first, has usually added the set already.
    if (newSet && tileSetTotal() < MaxTileSets && !doc->isNewestTileSet(newFile, *newSet))
        doc->addTileSet(newFile, *newSet);
}

bool TileSetWidget::loadTileSet(QString file)
{
    // Refused before anything is emitted, so that nothing changes.
    FileProblem problem;
    QPixmap loaded = doc->readTileSet(file, &problem);
    if (loaded.isNull()) {
        // A load the user cancelled has nothing to report.
        if (!problem.message.isEmpty())
            emit loadRefused(problem.message, problem.path);
        return false;
    }
    emit tileSetAdded(&loaded, file);
    if (!doc->isNewestTileSet(file, loaded))
        return false;
    doc->showTileSet(tileSetTotal() - 1);
    // A new set starts framed at its first tile, whatever the brush is.
    frameTiles({ QPoint(0, 0) });
    return true;
}

void TileSetWidget::showShownSet()
{
    // While the list changes, the set shown may lie beyond it for a moment.
    const int slot = shownTileSet();
    if (slot < 0 || slot >= tileSetTotal()) {
        // Without a set to show, a palette that showed one keeps no grid
        // and no frame.
        if (columns >= 0 && (columns != 0 || tileGrid))
            showNoSet();
        return;
    }
    auto* image = const_cast<QPixmap*>(tileSetImage(slot));
    const QString file = tileSetName(slot);
    columns = image->width() / tileSide;
    rows = image->height() / tileSide;
    tileGrid.reset(columns * rows > 0 ? new Tile[columns * rows] : nullptr);
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < rows; ++j) {
            Tile& tile = gridTile(i, j);
            tile.tileSetFile = file;
            tile.tileSet = image;
            tile.tileIndex = i + columns * j;
        }
    }

    setUpdatesEnabled(true);
    resize(sizeHint());
    update();
    updateGeometry();
}

void TileSetWidget::frameBrush()
{
    std::vector<QPoint> tiles;
    const int slot = shownTileSet();
    const QString shown = slot >= 0 ? tileSetName(slot) : QString();
    for (const Cell& cell : doc->brushStamp().tileCells()) {
        if (columns <= 0 || cell.tileIndex >= columns * rows || doc->map().slotName(cell.tileSet) != shown)
            continue;
        const QPoint tile(cell.tileIndex % columns, cell.tileIndex / columns);
        if (std::find(tiles.begin(), tiles.end(), tile) == tiles.end())
            tiles.push_back(tile);
    }
    frameTiles(tiles);
}

void TileSetWidget::frameTiles(const std::vector<QPoint>& tiles)
{
    update(frameArea());
    framedTiles = tiles;
    if (!framedTiles.empty())
        selectedCell = framedTiles.front();
    update(frameArea());
}

void TileSetWidget::clearSets()
{
    doc->clearTileSets();
    showNoSet();
}

void TileSetWidget::showNoSet()
{
    frameTiles({});
    tileGrid.reset();
    columns = 0;
    resize(sizeHint());
    update();
    updateGeometry();
}

void TileSetWidget::showTileSet(int slot)
{
    if (slot >= 0 && slot < tileSetTotal())
        doc->showTileSet(slot);
}

QRect TileSetWidget::frameArea() const
{
    if (framedTiles.empty())
        return QRect();
    QRect tiles(framedTiles.front(), framedTiles.front());
    for (const QPoint& tile : framedTiles)
        tiles |= QRect(tile, tile);
    // The frame's pen is 3 wide with square caps: it reaches 1.5 pixels past
    // each line and each line's end.
    return QRect(QPoint(cellToPixel(tiles.left()), cellToPixel(tiles.top())),
                 QPoint(cellToPixel(tiles.right() + 1), cellToPixel(tiles.bottom() + 1)))
        .adjusted(-3, -3, 3, 3);
}

void TileSetWidget::mousePressEvent(QMouseEvent* event)
{
    const QPoint position = event->position().toPoint();
    // cellAt() truncates toward zero, which would map a pixel left of or
    // above the widget into column or row 0.
    if (event->button() != Qt::LeftButton || position.x() < 0 || position.y() < 0) {
        event->ignore();
        return;
    }
    const QPoint cell = cellAt(position.x(), position.y());
    if (cell.x() >= columns || cell.y() >= rows) {
        event->ignore();
        return;
    }
    emit tileSelected(gridTile(cell.x(), cell.y()));
    frameTiles({ cell });
    pressedTile = cell;
    draggedTiles = QRect(cell, cell);
    updateGeometry();
}

void TileSetWidget::mouseMoveEvent(QMouseEvent* event)
{
    if (!pressedTile || !(event->buttons() & Qt::LeftButton) || columns <= 0 || rows <= 0)
        return;
    // Dragging picks the rectangle of tiles from the pressed one to the one
    // under the pointer, within the grid, whichever way it goes.
    const QPointF position = event->position();
    const QPoint under = cellAt(std::max(0, int(position.x())), std::max(0, int(position.y())));
    const QPoint tile(std::min(under.x(), columns - 1), std::min(under.y(), rows - 1));
    const QRect tiles(QPoint(std::min(pressedTile->x(), tile.x()), std::min(pressedTile->y(), tile.y())),
                      QPoint(std::max(pressedTile->x(), tile.x()), std::max(pressedTile->y(), tile.y())));
    if (tiles == draggedTiles)
        return;
    draggedTiles = tiles;
    if (tiles.size() == QSize(1, 1)) {
        emit tileSelected(gridTile(tile.x(), tile.y()));
        frameTiles({ tile });
    } else {
        doc->setBrushTiles(shownTileSet(), tiles);
    }
}

void TileSetWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        pressedTile.reset();
}

void TileSetWidget::paintEvent(QPaintEvent* event)
{
    const QRect area = event->rect();
    QPainter painter(this);

    // Only the cells and lines that meet the exposed area are drawn, so that
    // a large tile set scrolls quickly. cellAt() may be one cell off at a
    // grid line and neighbouring cells overlap by a pixel, hence the margins.
    if (columns > 0 && rows > 0) {
        const QPoint first = cellAt(std::max(area.left(), 0), std::max(area.top(), 0));
        const QPoint last = cellAt(std::max(area.right(), 0), std::max(area.bottom(), 0));
        const int firstColumn = std::max(first.x() - 1, 0);
        const int firstRow = std::max(first.y() - 1, 0);
        const int lastColumn = std::min(last.x() + 1, columns - 1);
        const int lastRow = std::min(last.y() + 1, rows - 1);
        for (int i = firstColumn; i <= lastColumn; ++i) {
            for (int j = firstRow; j <= lastRow; ++j) {
                const QRect target = cellRect(i, j);
                if (!target.intersects(area))
                    continue;
                const Tile& tile = gridTile(i, j);
                const QRect source(tileSide * (tile.tileIndex % columns),
                                   tileSide * (tile.tileIndex / columns), tileSide, tileSide);
                painter.drawPixmap(QRectF(target), *tile.tileSet, QRectF(source));
            }
        }
    }

    // Grid lines exist from the first load on; before it columns and rows are
    // -1 and no line is drawn.
    painter.setPen(QPen(palette().color(QPalette::WindowText), 0));
    const int gridRight = cellToPixel(columns);
    const int gridBottom = cellToPixel(rows);
    for (int r = 0; r <= rows; ++r) {
        const int y = cellToPixel(r);
        if (y >= area.top() - 1 && y <= area.bottom() + 1)
            painter.drawLine(QLine(0, y, gridRight, y));
    }
    for (int k = 0; k <= columns; ++k) {
        const int x = cellToPixel(k);
        if (x >= area.left() - 1 && x <= area.right() + 1)
            painter.drawLine(QLine(x, 0, x, gridBottom));
    }

    painter.setPen(QPen(QColor(255, 1, 1, 160), 3));
    for (const QLine& line : outline(framedTiles)) {
        painter.drawLine(QLine(cellToPixel(line.x1()), cellToPixel(line.y1()), cellToPixel(line.x2()),
                               cellToPixel(line.y2())));
    }
}

#include "palette/tilesetwidget.h"

#include <QLine>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>

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
        emit loadRefused(problem.message, problem.path);
        return false;
    }
    emit tileSetAdded(&loaded, file);
    if (!doc->isNewestTileSet(file, loaded))
        return false;
    doc->showTileSet(tileSetTotal() - 1);
    // A new set starts framed at its first tile, whatever the brush is.
    update(frameArea(selectedCell));
    selectedCell = QPoint(0, 0);
    framed = true;
    update(frameArea(selectedCell));
    return true;
}

void TileSetWidget::showShownSet()
{
    // While the list changes, the set shown may lie beyond it for a moment.
    const int slot = shownTileSet();
    if (slot < 0 || slot >= tileSetTotal()) {
        // Without a set to show, a palette that showed one keeps no grid.
        if (columns >= 0 && (columns != 0 || tileGrid)) {
            tileGrid.reset();
            columns = 0;
            resize(sizeHint());
            update();
            updateGeometry();
        }
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
    const Tile& brush = doc->brush();
    const int slot = shownTileSet();
    frameTile(slot >= 0 && tileSetName(slot) == brush.tileSetFile ? brush.tileIndex : -1);
}

void TileSetWidget::frameTile(int index)
{
    update(frameArea(selectedCell));
    framed = index >= 0 && columns > 0 && index < columns * rows;
    if (framed)
        selectedCell = QPoint(index % columns, index / columns);
    update(frameArea(selectedCell));
}

void TileSetWidget::clearSets()
{
    doc->clearTileSets();
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

QRect TileSetWidget::frameArea(const QPoint& cell) const
{
    // The frame's pen is 3 wide with square caps: it reaches 1.5 pixels past
    // each line and each line's end.
    const int left = cellToPixel(cell.x());
    const int top = cellToPixel(cell.y());
    const int right = cellToPixel(cell.x() + 1);
    const int bottom = cellToPixel(cell.y() + 1);
    return QRect(QPoint(left, top), QPoint(right, bottom)).adjusted(-3, -3, 3, 3);
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

    const QPoint before = selectedCell;
    selectedCell = cell;
    framed = true;
    update(frameArea(before));
    update(frameArea(selectedCell));
    updateGeometry();
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

    if (!framed)
        return;
    painter.setPen(QPen(QColor(255, 1, 1, 160), 3));
    const int left = cellToPixel(selectedCell.x());
    const int top = cellToPixel(selectedCell.y());
    const int right = cellToPixel(selectedCell.x() + 1);
    const int bottom = cellToPixel(selectedCell.y() + 1);
    painter.drawLine(QLine(left, top, right, top));
    painter.drawLine(QLine(left, top, left, bottom));
    painter.drawLine(QLine(right, bottom, left, bottom));
    painter.drawLine(QLine(right, bottom, right, top));
}

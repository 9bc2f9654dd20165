#include "palette/tilesetwidget.h"

#include "mapfile/mapwriter.h"
#include "palette/messagetext.h"

#include <QFileInfo>
#include <QImage>
#include <QLine>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include <algorithm>

TileSetWidget::TileSetWidget(int tileSize, QWidget* parent)
    : QWidget(parent)
    , tileSide(tileSize)
{
    resize(QSize(239, 100));
    update();
    updateGeometry();
}

TileSetWidget::~TileSetWidget() = default;

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
    if (tileSetCount >= MaxTileSets)
        return;
    tileSets[tileSetCount] = *newSet;
    tileSetFiles[tileSetCount] = newFile;
    ++tileSetCount;
    emit tileSetsListed(QStringList(tileSetFiles, tileSetFiles + tileSetCount));
}

bool TileSetWidget::loadTileSet(QString file)
{
    // Refused before anything is emitted, so that the canvas's list and this
    // one never get out of step.
    if (tileSetCount >= MaxTileSets) {
        refuseLoad(tr("At most %1 tile sets can be loaded.").arg(MaxTileSets));
        return false;
    }
    // A map file names its tile sets by these strings; catching a bad one
    // here spares the user a map that cannot be saved.
    const QString nameProblem = tileSetNameProblem(file);
    if (!nameProblem.isEmpty()) {
        refuseLoad(tr("The name \"%1\" cannot be stored in a map file: %2.")
                       .arg(shortenedForMessage(file, this), nameProblem));
        return false;
    }
    QString reason;
    QPixmap loaded = images.load(file, tileSide, &reason);
    if (loaded.isNull()) {
        refuseLoad(QStringLiteral("%1: %2").arg(shortenedForMessage(QFileInfo(file).absoluteFilePath(), this),
                                                reason));
        return false;
    }

    const int countBefore = tileSetCount;
    emit tileSetAdded(&loaded, file);
    // The grid points at the copy that our own addTileSet() stored during
    // the emission; without that connection there is nothing to point at.
    if (tileSetCount != countBefore + 1)
        return false;

    showGridOf(tileSetCount - 1);
    // A new set starts framed at its first tile, whatever the brush is.
    selectedCell = QPoint(0, 0);
    framed = true;
    emit tileSetShown(shownSlot);
    return true;
}

void TileSetWidget::showGridOf(int slot)
{
    QPixmap* stored = &tileSets[slot];
    const QString& file = tileSetFiles[slot];
    columns = stored->width() / tileSide;
    rows = stored->height() / tileSide;
    tileGrid.reset(columns * rows > 0 ? new Tile[columns * rows] : nullptr);
    for (int i = 0; i < columns; ++i) {
        for (int j = 0; j < rows; ++j) {
            Tile& tile = gridTile(i, j);
            tile.tileSetFile = file;
            tile.tileSet = stored;
            tile.tileIndex = i + columns * j;
        }
    }
    shownSlot = slot;

    setUpdatesEnabled(true);
    resize(sizeHint());
    update();
    updateGeometry();
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
    images.clear();
    tileGrid.reset();
    columns = 0;
    tileSetCount = 0;
    shownSlot = -1;
    std::fill(std::begin(tileSets), std::end(tileSets), QPixmap());
    std::fill(std::begin(tileSetFiles), std::end(tileSetFiles), QString());
    resize(sizeHint());
    update();
    updateGeometry();
    emit tileSetsListed(QStringList());
    emit tileSetShown(-1);
}

void TileSetWidget::showTileSet(int slot)
{
    if (slot < 0 || slot >= tileSetCount || slot == shownSlot)
        return;
    showGridOf(slot);
    frameTile(tileSetFiles[slot] == brushFile ? brushIndex : -1);
    emit tileSetShown(shownSlot);
}

void TileSetWidget::followBrush(const QString& file, int index)
{
    brushFile = file;
    brushIndex = index;
}

void TileSetWidget::showTile(const QString& file, int index)
{
    followBrush(file, index);
    int slot = shownSlot;
    if (index >= 0 && (slot < 0 || tileSetFiles[slot] != file)) {
        const QString* found = std::find(tileSetFiles, tileSetFiles + tileSetCount, file);
        slot = found == tileSetFiles + tileSetCount ? -1 : int(found - tileSetFiles);
    }
    // An empty cell, or a set that is not loaded: nothing to show or frame.
    if (index < 0 || slot < 0) {
        frameTile(-1);
        return;
    }
    if (slot != shownSlot) {
        showGridOf(slot);
        frameTile(index);
        emit tileSetShown(shownSlot);
    } else {
        frameTile(index);
    }
}

void TileSetWidget::beginLoads()
{
    collectingRefusals = true;
    refusals.clear();
}

void TileSetWidget::endLoads()
{
    collectingRefusals = false;
    if (refusals.isEmpty())
        return;
    const QString listed = refusals.join(QLatin1Char('\n'));
    refusals.clear();
    refuseLoad(listed);
}

void TileSetWidget::refuseLoad(const QString& reason)
{
    if (collectingRefusals) {
        refusals << reason;
        return;
    }
    QMessageBox::information(this, tr("TileSet Load"),
                             tr("File could not be loaded...") + QLatin1Char('\n') + reason,
                             QMessageBox::Ok, QMessageBox::Ok);
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

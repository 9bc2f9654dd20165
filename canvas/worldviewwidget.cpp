#include "canvas/worldviewwidget.h"

#include <QMessageBox>

namespace {

QPixmap colourMaskedImage(const QString& resource)
{
    QPixmap image(resource);
    image.setMask(image.createHeuristicMask(true));
    return image;
}

} // namespace

WorldViewWidget::WorldViewWidget(QWidget* parent)
    : QWidget(parent)
    , topLayer(DefaultWorldSide, DefaultWorldSide)
    , bottomLayer(DefaultWorldSide, DefaultWorldSide)
    , passYesImage(colourMaskedImage(QStringLiteral(":/images/passyes.png")))
    , passNoImage(colourMaskedImage(QStringLiteral(":/images/passno.png")))
    , startImage(QStringLiteral(":/images/start.png"))
    , cursorImage(colourMaskedImage(QStringLiteral(":/images/Cursor1.bmp")))
{
    setAttribute(Qt::WA_MouseTracking);
    showGridLines(true);
    resize(sizeHint());
}

WorldViewWidget::~WorldViewWidget() = default;

void WorldViewWidget::setTool(int tool)
{
    // Pass marks are drawn only in Pass mode, so entering or leaving it
    // changes every cell's picture.
    const bool passMarksChange = (currentTool == Pass) != (tool == Pass);
    currentTool = tool;
    if (passMarksChange)
        cellsChanged(QRect(0, 0, worldWidth, worldHeight));
}

void WorldViewWidget::showGridLines(bool showLines)
{
    if (this->showLines == showLines)
        return;
    this->showLines = showLines;
    update();
}

void WorldViewWidget::setBrushTile(Tile& selection)
{
    brush = selection;
}

void WorldViewWidget::addTileSet(QPixmap* newSet, QString newFile)
{
    if (tileSetCount >= MaxTileSets || !newSet)
        return;
    const int slot = tileSetCount;
    tileSets[slot] = *newSet;
    // The background colour, as found from the corners, becomes transparent so
    // that top-layer tiles let the bottom layer show through.
    if (!tileSets[slot].isNull())
        tileSets[slot].setMask(tileSets[slot].createHeuristicMask(true));
    tileSetFiles[slot] = newFile;
    ++tileSetCount;
    relinkCells(slot);
}

void WorldViewWidget::relinkCells(int slot)
{
    QRect relinked;
    for (TileLayer* layer : {&topLayer, &bottomLayer}) {
        for (int x = 0; x < worldWidth; ++x) {
            Tile* column = (*layer)[x];
            for (int y = 0; y < worldHeight; ++y) {
                Tile& cell = column[y];
                if (!cell.tileSet && !cell.isEmpty() && cell.tileSetFile == tileSetFiles[slot]) {
                    cell.tileSet = &tileSets[slot];
                    relinked |= QRect(x, y, 1, 1);
                }
            }
        }
    }
    if (!relinked.isEmpty())
        cellsChanged(relinked);
}

void WorldViewWidget::setStartPoint()
{
    const QPoint before = startPoint;
    startPoint = currentCell;
    cellMarkChanged(before, startPoint, 0);
}

void WorldViewWidget::setLayer(bool top)
{
    if (topLayerOn == top)
        return;
    topLayerOn = top;
    cellsChanged(QRect(0, 0, worldWidth, worldHeight));
}

int WorldViewWidget::tileSetIndex(const QString& file) const
{
    for (int slot = 0; slot < tileSetCount; ++slot) {
        if (tileSetFiles[slot] == file)
            return slot;
    }
    return -1;
}

void WorldViewWidget::resizeWorld(int width, int height)
{
    if (width < 1 || height < 1)
        return;
    if (width < worldWidth || height < worldHeight) {
        const auto answer = QMessageBox::warning(
            this, tr("Map Resize"),
            tr("Resizing the map will cut off part of your map.\nAre you sure you want to resize?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }

    const int keptWidth = qMin(width, worldWidth);
    const int keptHeight = qMin(height, worldHeight);
    for (TileLayer* layer : {&topLayer, &bottomLayer}) {
        TileLayer resized(width, height);
        for (int x = 0; x < keptWidth; ++x) {
            for (int y = 0; y < keptHeight; ++y)
                resized[x][y] = (*layer)[x][y];
        }
        std::swap(*layer, resized);
    }
    worldWidth = width;
    worldHeight = height;
    resize(sizeHint());
    update();
    updateGeometry();
}

void WorldViewWidget::clearSet()
{
    brush.clear();
    topLayer.reset(worldWidth, worldHeight);
    bottomLayer.reset(worldWidth, worldHeight);
    tileSetCount = 0;
    for (int slot = 0; slot < MaxTileSets; ++slot) {
        tileSets[slot] = QPixmap();
        tileSetFiles[slot] = QString();
    }
    // Clipboard tiles point into the image slots that were just emptied.
    clipboard.clear();
    update();
    emit setCleared();
}

#include "canvas/worldviewwidget.h"

#include "render/tilesetimage.h"
#include "palette/messagetext.h"

#include <QMessageBox>

WorldViewWidget::WorldViewWidget(QWidget* parent)
    : QWidget(parent)
    , worldMap(DefaultWorldSide, DefaultWorldSide)
    , passYesImage(markerImage(QStringLiteral(":/images/passyes.png")))
    , passNoImage(markerImage(QStringLiteral(":/images/passno.png")))
    , startImage(QStringLiteral(":/images/start.png"))
    , cursorImage(markerImage(QStringLiteral(":/images/Cursor1.bmp")))
{
    connect(&worldMap, &WorldMap::cellsChanged, this, &WorldViewWidget::cellsChanged);
    connect(&worldMap, &WorldMap::sizeChanged, this, [this] {
        resize(sizeHint());
        update();
        updateGeometry();
        emit statusChanged();
    });
    connect(&worldMap, &WorldMap::startPointChanged, this, &WorldViewWidget::startPointMoved);
    // The cache of the cells' picture notices new images by itself.
    connect(&worldMap, &WorldMap::tileSetsChanged, this, qOverload<>(&QWidget::update));
    connect(&worldMap, &WorldMap::tileSetsCleared, this, [this] {
        drawnImages.clear();
        emit setCleared();
    });
    connect(&worldMap, &WorldMap::tileSetsWanted, this, &WorldViewWidget::requestTileSets);
    connect(&worldMap, &WorldMap::tileSetShown, this, &WorldViewWidget::tileSetRestored);

    setAttribute(Qt::WA_MouseTracking);
    // The canvas paints every pixel itself, its ground included.
    setBackgroundRole(QPalette::Dark);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Delete and Escape act on the map once it has been clicked.
    setFocusPolicy(Qt::StrongFocus);
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
        cellsChanged(QRect(QPoint(0, 0), worldMap.size()));
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
    emit brushChanged(brush.tileSetFile, brush.tileIndex);
}

void WorldViewWidget::setShownTileSet(int k)
{
    worldMap.setShownTileSet(k);
}

std::optional<QPoint> WorldViewWidget::pointerCell() const
{
    if (!pointerOver || !worldMap.contains(hoverCell))
        return std::nullopt;
    return hoverCell;
}

void WorldViewWidget::addTileSet(QPixmap* newSet, QString newFile)
{
    if (tileSetTotal() >= MaxTileSets || !newSet)
        return;
    // A file loaded again hands over the image already decoded; the image
    // drawn from it is made once too.
    auto drawn = drawnImages.constFind(newSet->cacheKey());
    if (drawn == drawnImages.constEnd())
        drawn = drawnImages.insert(newSet->cacheKey(), drawnTileSetImage(*newSet));
    // Without memory for its copy the set is still listed, to keep both lists
    // in step, but its cells draw empty: the user must know.
    if (drawn->isNull() && !newSet->isNull()) {
        QMessageBox::warning(this, tr("TileSet Load"),
                             tr("There is not enough memory to draw the tile set %1; its cells are shown empty.")
                                 .arg(shortenedForMessage(newFile, this)));
    }
    worldMap.addTileSet(newFile, *drawn);
}

void WorldViewWidget::requestTileSets(const QStringList& names)
{
    emit tileSetLoadsStarted();
    for (const QString& name : names)
        emit tileSetAdded(name);
    emit tileSetLoadsFinished();
}

void WorldViewWidget::setStartPoint()
{
    if (currentCell != worldMap.startPoint())
        undoHistory.push(new StartPointStep(worldMap, tr("Set Starting Point"), currentCell));
}

void WorldViewWidget::setLayer(bool top)
{
    if (topLayerOn == top)
        return;
    topLayerOn = top;
    cellsChanged(QRect(QPoint(0, 0), worldMap.size()));
    emit statusChanged();
}

void WorldViewWidget::keepEdit(const QString& text, CellPatch done, int stroke)
{
    if (done.isEmpty() || undoHistory.extendStroke(stroke, done))
        return;
    undoHistory.push(new CellStep(worldMap, text, std::move(done), stroke));
}

void WorldViewWidget::resizeWorld(int width, int height)
{
    if (width < 1 || height < 1)
        return;
    if (width < worldMap.width() || height < worldMap.height()) {
        const auto answer = QMessageBox::warning(
            this, tr("Map Resize"),
            tr("Resizing the map will cut off part of your map.\nAre you sure you want to resize?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    if (QSize(width, height) != worldMap.size())
        undoHistory.push(new ResizeStep(worldMap, tr("Resize"), QSize(width, height)));
}

void WorldViewWidget::clearSet()
{
    brush.clear();
    // A new set starts afresh: no brush, nothing to paste, no tile sets.
    clipboard.clear();
    emit brushChanged(brush.tileSetFile, brush.tileIndex);
    if (worldMap.isNew()) {
        emit setCleared();
        return;
    }
    MapContents empty;
    empty.size = worldMap.size();
    undoHistory.push(new ReplaceMapStep(worldMap, tr("New Set"), std::move(empty)));
}

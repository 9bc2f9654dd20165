#include "canvas/worldviewwidget.h"

#include "render/tilesetimage.h"

WorldViewWidget::WorldViewWidget(QWidget* parent)
    : WorldViewWidget(nullptr, parent)
{
}

WorldViewWidget::WorldViewWidget(MapDocument* document, QWidget* parent)
    : QWidget(parent)
    , doc(document ? document : new MapDocument(this))
    , passYesImage(markerImage(QStringLiteral(":/images/passyes.png")))
    , passNoImage(markerImage(QStringLiteral(":/images/passno.png")))
    , startImage(QStringLiteral(":/images/start.png"))
    , cursorImage(markerImage(QStringLiteral(":/images/Cursor1.bmp")))
{
    const WorldMap* worldMap = &doc->map();
    connect(worldMap, &WorldMap::cellsChanged, this, &WorldViewWidget::cellsChanged);
    connect(worldMap, &WorldMap::sizeChanged, this, [this] {
        resize(sizeHint());
        update();
        updateGeometry();
        emit statusChanged();
        previewChanged();
    });
    connect(worldMap, &WorldMap::startPointChanged, this, &WorldViewWidget::startPointMoved);
    // The cache of the cells' picture notices new images by itself.
    connect(worldMap, &WorldMap::tileSetsChanged, this, [this] {
        update();
        previewChanged();
    });
    connect(doc, &MapDocument::brushChanged, this, &WorldViewWidget::statusChanged);
    connect(doc, &MapDocument::brushChanged, this, &WorldViewWidget::previewChanged);

    setAttribute(Qt::WA_MouseTracking);
    // The canvas paints every pixel itself, its ground included.
    setBackgroundRole(QPalette::Dark);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Delete and Escape act on the map once it has been clicked.
    setFocusPolicy(Qt::StrongFocus);
    showGridLines(true);
    resize(sizeHint());
}

WorldViewWidget::~WorldViewWidget()
{
    // A document of the window's outlives the canvas; it must not call back.
    disconnect(doc, nullptr, this, nullptr);
    disconnect(&doc->map(), nullptr, this, nullptr);
}

void WorldViewWidget::setTool(int tool)
{
    // Pass marks are drawn only in Pass mode, so entering or leaving it
    // changes every cell's picture.
    const bool passMarksChange = (currentTool == Pass) != (tool == Pass);
    currentTool = tool;
    if (passMarksChange)
        cellsChanged(QRect(QPoint(0, 0), map().size()));
    previewChanged();
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
    doc->setBrush(selection);
}

std::optional<QPoint> WorldViewWidget::pointerCell() const
{
    if (!pointerOver || !map().contains(hoverCell))
        return std::nullopt;
    return hoverCell;
}

void WorldViewWidget::addTileSet(QPixmap* newSet, QString newFile)
{
    if (newSet && tileSetTotal() < MaxTileSets)
        doc->addTileSet(newFile, *newSet);
}

void WorldViewWidget::setStartPoint()
{
    doc->setStartPoint(currentCell);
}

void WorldViewWidget::setLayer(bool top)
{
    if (topLayerOn == top)
        return;
    topLayerOn = top;
    cellsChanged(QRect(QPoint(0, 0), map().size()));
    emit statusChanged();
    previewChanged();
}

void WorldViewWidget::resizeWorld(int width, int height)
{
    doc->resize(QSize(width, height));
}

void WorldViewWidget::clearSet()
{
    // A new set starts afresh: no brush, nothing to paste, no tile sets.
    clipboard.clear();
    doc->newSet();
    emit setCleared();
}

bool WorldViewWidget::readMapFile(QString file, QString* error, QList<FileProblem>* unloadedSets)
{
    QString reason;
    QList<FileProblem> unloaded;
    if (!doc->importMap(file, &reason, &unloaded)) {
        if (error)
            *error = reason;
        return false;
    }
    clipboard.clear();
    if (unloadedSets)
        *unloadedSets = unloaded;
    return true;
}

bool WorldViewWidget::writeMapFile(QString file, QString* error)
{
    QString reason;
    const bool saved = doc->save(file, &reason);
    if (error)
        *error = reason;
    return saved;
}

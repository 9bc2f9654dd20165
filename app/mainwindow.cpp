#include "app/mainwindow.h"

#include "app/decodingprogress.h"
#include "app/mapstatus.h"
#include "canvas/worldviewwidget.h"
#include "document/mapdocument.h"
#include "palette/palettepane.h"
#include "palette/tilesetwidget.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

MainWindow::MainWindow()
    : QMainWindow(nullptr)
{
    createCentralWidget();
    createActions();
    createMenus();
    createToolBars();
    createContextMenu();
    createStatusBar();

    // The toolbars exist only now, so their toggles are connected here.
    connect(fileToolBarAct, &QAction::toggled, fileToolBar, &QToolBar::setVisible);
    connect(editToolBarAct, &QAction::toggled, editToolBar, &QToolBar::setVisible);
    connect(propsToolBarAct, &QAction::toggled, objectToolBar, &QToolBar::setVisible);

    // The title names the map's file and marks changes not yet saved.
    connect(&document->map(), &WorldMap::fileNameChanged, this, &MainWindow::updateTitle);
    connect(document, &MapDocument::modifiedChanged, this, &QWidget::setWindowModified);
    connect(document, &MapDocument::imported, statusBar(), [this](const QString& report) {
        statusBar()->showMessage(report);
    });
    updateTitle();

    connect(worldViewWidget, &WorldViewWidget::statusChanged, this, &MainWindow::scheduleMapStatus);
    updateMapStatus();
    connect(worldViewWidget, &WorldViewWidget::zoomStepRequested, this, &MainWindow::stepZoom);
    connect(worldViewWidget, &WorldViewWidget::cellsDropped, this, &MainWindow::reportDroppedCells);
    resize(QSize(800, 700));
}

bool MainWindow::event(QEvent* event)
{
    // A toolbar button's hint stays while the pointer is over it; one that
    // opened a dialog never learns that the pointer left.
    if (event->type() == QEvent::WindowUnblocked)
        statusBar()->clearMessage();
    return QMainWindow::event(event);
}

void MainWindow::reportDroppedCells(int count)
{
    statusBar()->showMessage(
        count == 1 ? tr("1 cell moved past the map's edge was dropped; undo brings it back.")
                   : tr("%1 cells moved past the map's edge were dropped; undo brings them back.").arg(count),
        DroppedMessageTime);
}

MainWindow::~MainWindow()
{
    // The views go before the document they show.
    delete takeCentralWidget();
}

void MainWindow::createCentralWidget()
{
    document = new MapDocument(this);
    // Images decode off the window's thread, and the user can cancel a long
    // decode.
    document->setTileSetDecoding(new DecodingProgress(this));
    worldViewWidget = new WorldViewWidget(document, this);
    tileSetWidget = new TileSetWidget(document, 40, this);

    worldScrollArea = new QScrollArea;
    tileSetScrollArea = new PalettePane;
    splitter = new QSplitter(Qt::Horizontal);

    worldScrollArea->setWidget(worldViewWidget);
    worldScrollArea->viewport()->setBackgroundRole(QPalette::Dark);
    worldScrollArea->viewport()->setAutoFillBackground(true);

    tileSetScrollArea->setWidget(tileSetWidget);
    tileSetScrollArea->viewport()->setBackgroundRole(QPalette::Light);
    tileSetScrollArea->viewport()->setAutoFillBackground(true);

    // Room for twelve tiles at the palette's scale of 0.8, plus the frame.
    const float paletteScale = 0.8f;
    tileSetScrollArea->setMaximumWidth(int((tileSetWidget->tileSize() * 12) * double(paletteScale) + 3));

    splitter->addWidget(worldScrollArea);
    splitter->addWidget(tileSetScrollArea);

    // Both widgets view the one document; through these, in this order, the
    // palette's pick becomes the brush and a loaded set joins the document's
    // list once, through the canvas, before the palette shows it.
    connect(tileSetWidget, &TileSetWidget::tileSelected, worldViewWidget, &WorldViewWidget::setBrushTile);
    connect(tileSetWidget, &TileSetWidget::tileSetAdded, worldViewWidget, &WorldViewWidget::addTileSet);
    connect(tileSetWidget, &TileSetWidget::tileSetAdded, tileSetWidget, &TileSetWidget::addTileSet);
    connect(worldViewWidget, &WorldViewWidget::tileSetAdded, tileSetWidget, &TileSetWidget::loadTileSet);
    connect(worldViewWidget, &WorldViewWidget::setCleared, tileSetWidget, &TileSetWidget::clearSets);
    connect(tileSetWidget, &TileSetWidget::loadRefused, this,
            [this](const QString& message, const QString& path) { refuseTileSetLoads({ { message, path } }); });

    // The chooser above the palette lists the loaded sets and switches the
    // one shown.
    connect(tileSetWidget, &TileSetWidget::tileSetsListed, tileSetScrollArea, &PalettePane::listTileSets);
    connect(tileSetWidget, &TileSetWidget::tileSetShown, tileSetScrollArea, &PalettePane::showTileSet);
    connect(tileSetScrollArea, &PalettePane::tileSetChosen, tileSetWidget, &TileSetWidget::showTileSet);
    connect(tileSetWidget, &TileSetWidget::missingTileSetsListed, tileSetScrollArea,
            &PalettePane::listMissingTileSets);
    connect(tileSetScrollArea, &PalettePane::locateRequested, this, &MainWindow::locateTileSet);

    // Tile-set files changed on disk are read again by the document.
    connect(document, &MapDocument::tileSetWidthChanged, this, &MainWindow::askToRenumber);
    connect(document, &MapDocument::reloadFailed, this, [this](const QString& message, const QString& path) {
        statusBar()->showMessage(message.arg(QDir::toNativeSeparators(path)), ReloadMessageTime);
    });

    setCentralWidget(splitter);
}

QString MainWindow::mapName() const
{
    const QString file = document->fileName();
    return file.isEmpty() ? tr("Untitled") : QFileInfo(file).fileName();
}

void MainWindow::updateTitle()
{
    setWindowTitle(tr("%1[*] - Varnhold").arg(mapName()));
}

void MainWindow::createStatusBar()
{
    statusLabel = new QLabel;
    statusBar()->addWidget(statusLabel, 1);
    // A permanent widget stays in view while a status tip covers the others.
    mapStatusLabel = new QLabel;
    mapStatusLabel->setObjectName(QStringLiteral("mapStatusLabel"));
    // Painting its own background spares the status bar a repaint under it.
    mapStatusLabel->setAutoFillBackground(true);
    statusBar()->addPermanentWidget(mapStatusLabel);
    mapStatusTimer = new QTimer(this);
    mapStatusTimer->setSingleShot(true);
    mapStatusTimer->setInterval(MapStatusInterval);
    connect(mapStatusTimer, &QTimer::timeout, this, [this] {
        if (!mapStatusPending)
            return;
        mapStatusPending = false;
        updateMapStatus();
        mapStatusTimer->start();
    });
}

void MainWindow::scheduleMapStatus()
{
    // The line changes with every cell the pointer crosses: it is shown at
    // once, then at most once an interval, so that a fast drag spends its
    // time on the map and not on repainting the status bar.
    if (mapStatusTimer->isActive()) {
        mapStatusPending = true;
        return;
    }
    updateMapStatus();
    mapStatusTimer->start();
}

void MainWindow::updateMapStatus()
{
    const QStringList sets = document->brushTileSets();
    BrushStatus brush;
    brush.size = document->brushStamp().size();
    brush.tileIndex = document->brush().tileIndex;
    // A set's path can be as long as the system allows; the label, which
    // only grows, must not widen the window past the screen.
    brush.tileSet
        = mapStatusLabel->fontMetrics().elidedText(sets.value(0), Qt::ElideMiddle, MapStatusFileWidth);
    brush.tileSets = int(sets.size());
    brush.random = document->isRandomBrush();
    const QString text = mapStatusText(worldViewWidget->pointerCell(), worldViewWidget->topLayerActive(),
                                       worldViewWidget->worldSize(), brush);
    // A label of fixed size only repaints when its text changes, where one
    // that fits its text would lay out the status bar again; it only grows.
    const int needed = mapStatusLabel->fontMetrics().horizontalAdvance(text) + 8;
    if (needed > mapStatusLabel->minimumWidth())
        mapStatusLabel->setFixedSize(needed, mapStatusLabel->sizeHint().height());
    mapStatusLabel->setText(text);
}

#include "app/mainwindow.h"

#include "canvas/worldviewwidget.h"
#include "document/mapdocument.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace {

enum class Check { None, Unchecked, Checked };

// Builds an action in the order the window relies on: the check mark is set
// before any connection exists, so setting it reaches nothing.
QAction* makeAction(QObject* parent, const QString& text, const char* icon, const QKeySequence& shortcut,
                    Check check, const QString& statusTip)
{
    auto* action = new QAction(text, parent);
    if (icon)
        action->setIcon(QIcon(QString::fromLatin1(icon)));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    if (check != Check::None)
        action->setCheckable(true);
    if (check == Check::Checked)
        action->setChecked(true);
    if (!statusTip.isEmpty())
        action->setStatusTip(statusTip);
    return action;
}

} // namespace

void MainWindow::createActions()
{
    newProjectAct = makeAction(this, tr("&New project"), ":/images/icon.png", QKeySequence(tr("Ctrl+N")),
                               Check::None, tr("Create a new game project."));
    connect(newProjectAct, &QAction::triggered, this, &MainWindow::newProject);

    newSetAct = makeAction(this, tr("Ne&w set"), ":/images/new.png", QKeySequence(tr("Ctrl+W")), Check::None,
                           tr("Create a new set."));
    connect(newSetAct, &QAction::triggered, this, &MainWindow::newSet);

    openProjectAct
        = makeAction(this, tr("Open &Project"), ":/images/folder48.png", QKeySequence(tr("Ctrl+P")),
                     Check::None, tr("Open an Varnhold project file."));
    connect(openProjectAct, &QAction::triggered, this, &MainWindow::openProject);

    importSetAct = makeAction(this, tr("&Import Set"), ":/images/bluefolder.png", QKeySequence(), Check::None,
                              tr("Import a set to this project."));
    connect(importSetAct, &QAction::triggered, this, &MainWindow::importSet);

    saveAllAct = makeAction(this, tr("&Save All"), ":/images/saveall48.png", QKeySequence(tr("Ctrl+S")),
                            Check::None, tr("Save everything, including the project file."));
    connect(saveAllAct, &QAction::triggered, this, &MainWindow::saveAll);

    saveSetAct = makeAction(this, tr("Save Set"), ":/images/save.png", QKeySequence(), Check::None,
                            tr("Save this set only."));
    connect(saveSetAct, &QAction::triggered, this, &MainWindow::saveSet);

    exitAct = makeAction(this, tr("Exit"), nullptr, QKeySequence(), Check::None, tr("Exit Varnhold."));
    connect(exitAct, &QAction::triggered, this, &QWidget::close);

    copyAct = makeAction(this, tr("&Copy"), ":/images/copy.png", QKeySequence(tr("Ctrl+C")), Check::None,
                         tr("Copy selected tiles."));
    connect(copyAct, &QAction::triggered, worldViewWidget, &WorldViewWidget::copy);

    cutAct = makeAction(this, tr("Cut"), ":/images/cut.png", QKeySequence(tr("Ctrl+X")), Check::None,
                        tr("Cut selected tiles."));
    connect(cutAct, &QAction::triggered, worldViewWidget, &WorldViewWidget::cut);

    pasteAct = makeAction(this, tr("Paste"), ":/images/paste.png", QKeySequence(tr("Ctrl+V")), Check::None,
                          tr("Paste tiles form clipboard to map."));
    connect(pasteAct, &QAction::triggered, worldViewWidget, &WorldViewWidget::paste);

    // The three toolbar toggles are connected by the constructor, once the
    // toolbars exist.
    fileToolBarAct
        = makeAction(this, tr("File"), nullptr, QKeySequence(), Check::Checked, tr("Toggle file toolbar."));
    editToolBarAct
        = makeAction(this, tr("Edit"), nullptr, QKeySequence(), Check::Checked, tr("Toggle edit toolbar."));
    propsToolBarAct
        = makeAction(this, tr("Props"), nullptr, QKeySequence(), Check::Checked, tr("Toggle props toolbar."));

    showGridAct = makeAction(this, tr("Show grid lines"), ":/images/grid.png", QKeySequence(), Check::Checked,
                             tr("Toggle grid lines on map editor."));
    connect(showGridAct, &QAction::toggled, worldViewWidget, &WorldViewWidget::showGridLines);

    topLayerAct = makeAction(this, tr("Show Top Layer"), ":/images/toplayer.png", QKeySequence(),
                             Check::Checked, tr("Toggle editing  and viewing on the top layer"));
    connect(topLayerAct, &QAction::toggled, worldViewWidget, &WorldViewWidget::setLayer);

    paintAct = makeAction(this, tr("Paint Tiles"), ":/images/paint.png", QKeySequence(tr("Ctrl+T")),
                          Check::Checked, tr("Paint tiles with cursor."));
    connect(paintAct, &QAction::triggered, this, &MainWindow::setPaint);

    squareAct = makeAction(this, tr("Paint Squares"), ":/images/squares.png", QKeySequence(),
                           Check::Unchecked, tr("Paint squares with cursor."));
    connect(squareAct, &QAction::triggered, this, &MainWindow::setSquare);

    eraseAct = makeAction(this, tr("Erase Tiles"), ":/images/erase.png", QKeySequence(), Check::Unchecked,
                          tr("Erase tiles with cursor."));
    connect(eraseAct, &QAction::triggered, this, &MainWindow::setErase);

    selectAct = makeAction(this, tr("Select Tiles"), ":/images/select.png", QKeySequence(), Check::Unchecked,
                           tr("Select a group of tiles with cursor."));
    connect(selectAct, &QAction::triggered, this, &MainWindow::setSelect);

    passAct = makeAction(this, tr("Set Pass"), ":/images/pass.png", QKeySequence(), Check::Unchecked,
                         tr("Set tiles as passable or impassable."));
    connect(passAct, &QAction::triggered, this, &MainWindow::setPass);

    newPropAct = makeAction(this, tr("New Prop"), ":/images/bluefolder.png", QKeySequence(tr("Ctrl+O")),
                            Check::None, tr("Create a new prop."));
    connect(newPropAct, &QAction::triggered, this, &MainWindow::newProp);

    editPropAct = makeAction(this, tr("Edit Prop"), ":/images/bluefolder.png", QKeySequence(tr("Ctrl+E")),
                             Check::None, tr("Edit the selected prop."));
    connect(editPropAct, &QAction::triggered, this, &MainWindow::editProp);

    importPropAct = makeAction(this, tr("Import Prop"), ":/images/bluefolder.png", QKeySequence(),
                               Check::None, tr("Load an prop from an external source."));
    connect(importPropAct, &QAction::triggered, this, &MainWindow::importProp);

    exportPropAct = makeAction(this, tr("Export Prop"), ":/images/bluefolder.png", QKeySequence(),
                               Check::None, tr("Save prop individually for use elsewhere."));
    connect(exportPropAct, &QAction::triggered, this, &MainWindow::exportProp);

    findPropAct = makeAction(this, tr("Find Prop"), ":/images/find.png", QKeySequence(tr("Ctrl+F")),
                             Check::None, tr("Find an prop in the project."));
    connect(findPropAct, &QAction::triggered, this, &MainWindow::findProp);

    listPropsAct = makeAction(this, tr("Prop List"), ":/images/bluefolder.png", QKeySequence(tr("Ctrl+L")),
                              Check::None, tr("List all props in the project."));
    connect(listPropsAct, &QAction::triggered, this, &MainWindow::listProps);

    loadTileSetAct = makeAction(this, tr("Load new tile set"), nullptr, QKeySequence(), Check::None,
                                tr("Load a set of tiles for use in the map"));
    connect(loadTileSetAct, &QAction::triggered, this, &MainWindow::loadTileSet);

    startPointAct
        = makeAction(this, tr("Set starting point"), ":/images/start2.png", QKeySequence(tr("Ctrl+Z")),
                     Check::None, tr("Set the starting point for the character."));
    connect(startPointAct, &QAction::triggered, worldViewWidget, &WorldViewWidget::setStartPoint);

    resizeAct = makeAction(this, tr("Resize set"), nullptr, QKeySequence(), Check::None,
                           tr("Resize the current set."));
    connect(resizeAct, &QAction::triggered, this, &MainWindow::resizeWorld);

    zoom10Act = makeAction(this, tr("Zoom 1.0x"), nullptr, QKeySequence(), Check::Checked, QString());
    connect(zoom10Act, &QAction::triggered, this, &MainWindow::setZoom10);

    zoom08Act = makeAction(this, tr("Zoom 0.8x"), nullptr, QKeySequence(), Check::Unchecked, QString());
    connect(zoom08Act, &QAction::triggered, this, &MainWindow::setZoom08);

    zoom06Act = makeAction(this, tr("Zoom 0.6x"), nullptr, QKeySequence(), Check::Unchecked, QString());
    connect(zoom06Act, &QAction::triggered, this, &MainWindow::setZoom06);

    zoom04Act = makeAction(this, tr("Zoom 0.4x"), nullptr, QKeySequence(), Check::Unchecked, QString());
    connect(zoom04Act, &QAction::triggered, this, &MainWindow::setZoom04);

    zoom02Act = makeAction(this, tr("Zoom 0.2x"), nullptr, QKeySequence(), Check::Unchecked, QString());
    connect(zoom02Act, &QAction::triggered, this, &MainWindow::setZoom02);

    aboutAct = makeAction(this, tr("About..."), nullptr, QKeySequence(tr("Ctrl+A")), Check::None,
                          tr("About Varnhold."));
    connect(aboutAct, &QAction::triggered, this, &MainWindow::about);

    aboutQtAct = makeAction(this, tr("About Qt..."), nullptr, QKeySequence(), Check::None, tr("About Qt."));
    connect(aboutQtAct, &QAction::triggered, qApp, &QApplication::aboutQt);

    // Ctrl+Z sets the starting point, so undo has the other common key.
    undoAct = makeAction(this, tr("&Undo"), nullptr, QKeySequence(tr("Alt+Backspace")), Check::None,
                         tr("Undo the last change of the map."));
    connect(undoAct, &QAction::triggered, &document->history(), &UndoHistory::undo);
    redoAct = makeAction(this, tr("&Redo"), nullptr, QKeySequence(), Check::None,
                         tr("Redo the last change undone."));
    redoAct->setShortcuts({ QKeySequence(tr("Ctrl+Y")), QKeySequence(tr("Ctrl+Shift+Z")) });
    connect(redoAct, &QAction::triggered, &document->history(), &UndoHistory::redo);
    connect(&document->history(), &UndoHistory::changed, this, &MainWindow::updateUndoActions);
    updateUndoActions();

    // Ctrl+A opens About, so selecting everything has no key of its own.
    selectAllAct = makeAction(this, tr("Select &All"), nullptr, QKeySequence(), Check::None,
                              tr("Select every cell of the map."));
    connect(selectAllAct, &QAction::triggered, worldViewWidget, &WorldViewWidget::selectAll);

    randomBrushAct = makeAction(this, tr("&Random Brush"), ":/images/random.png", QKeySequence(tr("R")),
                                Check::Unchecked,
                                tr("Paint each cell with one of the brush's tiles, chosen at random."));
    connect(randomBrushAct, &QAction::toggled, document, &MapDocument::setRandomBrush);

    // The key acts on the map wherever the keyboard is, the palette included.
    deleteAct = makeAction(this, tr("&Delete"), nullptr, QKeySequence(QKeySequence::Delete), Check::None,
                           tr("Empty the selected cells, or the current cell, of the current layer."));
    connect(deleteAct, &QAction::triggered, worldViewWidget, &WorldViewWidget::deleteCells);
}

void MainWindow::createMenus()
{
    fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addAction(newProjectAct);
    fileMenu->addAction(newSetAct);
    fileMenu->addAction(openProjectAct);
    fileMenu->addAction(importSetAct);
    fileMenu->addAction(saveAllAct);
    fileMenu->addAction(saveSetAct);
    fileMenuSeparator = fileMenu->addSeparator();
    fileMenu->addAction(exitAct);

    editMenu = menuBar()->addMenu(tr("&Edit"));
    editMenu->addAction(copyAct);
    editMenu->addAction(cutAct);
    editMenu->addAction(pasteAct);
    editMenu->addSeparator();
    editMenu->addAction(undoAct);
    editMenu->addAction(redoAct);
    editMenu->addSeparator();
    editMenu->addAction(selectAllAct);
    editMenu->addAction(randomBrushAct);
    editMenu->addAction(deleteAct);

    viewMenu = menuBar()->addMenu(tr("&View"));
    toolBarsMenu = viewMenu->addMenu(tr("ToolBars"));
    toolBarsMenu->addAction(fileToolBarAct);
    toolBarsMenu->addAction(editToolBarAct);
    toolBarsMenu->addAction(propsToolBarAct);
    viewMenu->addAction(showGridAct);
    viewMenu->addAction(topLayerAct);

    propsMenu = menuBar()->addMenu(tr("&Props"));
    propsMenu->addAction(newPropAct);
    propsMenu->addAction(editPropAct);
    propsMenu->addAction(importPropAct);
    propsMenu->addAction(exportPropAct);
    propsMenu->addSeparator();
    propsMenu->addAction(findPropAct);
    propsMenu->addAction(listPropsAct);

    gameMenu = menuBar()->addMenu(tr("&Game"));
    gameMenu->addAction(loadTileSetAct);
    gameMenu->addAction(startPointAct);
    gameMenu->addAction(resizeAct);

    optionsMenu = menuBar()->addMenu(tr("Opt&ions"));
    zoomMenu = optionsMenu->addMenu(tr("&Zoom"));
    zoomMenu->addAction(zoom10Act);
    zoomMenu->addAction(zoom08Act);
    zoomMenu->addAction(zoom06Act);
    zoomMenu->addAction(zoom04Act);
    zoomMenu->addAction(zoom02Act);

    helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->addAction(aboutAct);
    helpMenu->addAction(aboutQtAct);
}

void MainWindow::createToolBars()
{
    fileToolBar = addToolBar(tr("&File"));
    fileToolBar->addAction(newProjectAct);
    fileToolBar->addAction(newSetAct);
    fileToolBarSeparator = fileToolBar->addSeparator();
    fileToolBar->addAction(openProjectAct);
    fileToolBar->addAction(importSetAct);
    fileToolBar->addSeparator();
    fileToolBar->addAction(saveAllAct);
    fileToolBar->addAction(saveSetAct);

    editToolBar = addToolBar(tr("&Edit"));
    editToolBar->addAction(copyAct);
    editToolBar->addAction(cutAct);
    editToolBar->addAction(pasteAct);
    editToolBar->addSeparator();
    editToolBar->addAction(startPointAct);

    paintToolBar = addToolBar(tr("&Paint"));
    paintToolBar->addAction(paintAct);
    paintToolBar->addAction(squareAct);
    paintToolBar->addAction(eraseAct);
    paintToolBar->addAction(selectAct);
    paintToolBar->addAction(passAct);
    paintToolBar->addSeparator();
    paintToolBar->addAction(topLayerAct);
    paintToolBar->addAction(randomBrushAct);

    objectToolBar = addToolBar(tr("&Object"));
    objectToolBar->addAction(newPropAct);
    objectToolBar->addAction(editPropAct);
    objectToolBar->addAction(importPropAct);
    objectToolBar->addAction(exportPropAct);
    objectToolBar->addSeparator();
    objectToolBar->addAction(findPropAct);
    objectToolBar->addAction(listPropsAct);
}

void MainWindow::createContextMenu()
{
    // The two separators are the File menu's and the File toolbar's own
    // separator actions; a widget may share an action with a menu.
    worldViewWidget->addAction(copyAct);
    worldViewWidget->addAction(cutAct);
    worldViewWidget->addAction(pasteAct);
    worldViewWidget->addAction(fileMenuSeparator);
    worldViewWidget->addAction(zoom10Act);
    worldViewWidget->addAction(zoom08Act);
    worldViewWidget->addAction(zoom06Act);
    worldViewWidget->addAction(zoom04Act);
    worldViewWidget->addAction(zoom02Act);
    worldViewWidget->addAction(fileToolBarSeparator);
    worldViewWidget->addAction(newPropAct);
    worldViewWidget->addAction(startPointAct);
    worldViewWidget->addAction(topLayerAct);
    worldViewWidget->setContextMenuPolicy(Qt::ActionsContextMenu);
}

#pragma once

#include <QList>
#include <QMainWindow>
#include <QPair>
#include <QStringList>

class MapDocument;
struct FileProblem;
class QAction;
class QCloseEvent;
class QEvent;
class QLabel;
class PalettePane;
class QMenu;
class QPoint;
class QScrollArea;
class QSplitter;
class QTimer;
class QToolBar;
class TileSetWidget;
class WorldViewWidget;

// The editor's one window: the map document, the canvas and the palette
// viewing it side by side in a splitter, and every action, menu and toolbar
// of the program. The window is what shows messages and asks questions.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    MainWindow();
    ~MainWindow() override;

    // Imports the map file `file` as "Import Set" does, at start-up. When
    // none of its tile sets is found relative to the current folder, the
    // folder that holds the map becomes the current one, so that the sets
    // are named, and loaded later, relative to the map.
    void openMap(const QString& file);

protected:
    // Asks to save unsaved changes first; the window stays open when the
    // user cancels or the save fails.
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;

private slots:
    void newProject();
    void newSet();
    void openProject();
    void importSet();
    bool saveAll();
    bool saveSet();
    void setPaint();
    void setErase();
    void setSquare();
    void setSelect();
    void setPass();
    void resetPaintChecks();
    void newProp();
    void editProp();
    void importProp();
    void exportProp();
    void findProp();
    void listProps();
    void loadTileSet();
    void resizeWorld();
    void setZoom10();
    void setZoom08();
    void setZoom06();
    void setZoom04();
    void setZoom02();
    void resetZoomChecks();
    void about();
    void reportDroppedCells(int count);

private:
    void createCentralWidget();
    void createActions();
    void createMenus();
    void createToolBars();
    void createContextMenu();
    void createStatusBar();
    void selectTool(int tool, QAction* action);
    void selectZoom(float zoom, QAction* action);
    void updateUndoActions();
    void updateTitle();
    void updateMapStatus();
    void scheduleMapStatus();
    // The map's file name as the title and messages show it.
    QString mapName() const;
    bool writeMap(const QString& path);
    // Imports `path`; at start-up, moves to the map's folder as openMap() says.
    void importMapFile(const QString& path, bool atStart);
    // The tile sets that could not be loaded, in one box, which offers to
    // locate the sets named in `locatable`.
    void refuseTileSetLoads(const QList<FileProblem>& problems, const QStringList& locatable = {});
    // Asks for the file of the missing set `name` and points the set at it.
    void locateTileSet(const QString& name);
    // Asks whether to renumber the cells of a set whose grid changed width
    // on a reload, once for all the reloads while the question is open.
    void askToRenumber(const QString& name, int before);
    // Ctrl+wheel: `steps` zoom levels in (out when negative), keeping the
    // point under the canvas pixel `pixel` where it is in the view.
    void stepZoom(int steps, const QPoint& pixel);

    QSplitter* splitter = nullptr;
    TileSetWidget* tileSetWidget = nullptr;
    QScrollArea* worldScrollArea = nullptr;
    PalettePane* tileSetScrollArea = nullptr;
    WorldViewWidget* worldViewWidget = nullptr;

    QAction* newProjectAct = nullptr;
    QAction* newSetAct = nullptr;
    QAction* openProjectAct = nullptr;
    QAction* importSetAct = nullptr;
    QAction* saveAllAct = nullptr;
    QAction* saveSetAct = nullptr;
    QAction* exitAct = nullptr;
    QAction* copyAct = nullptr;
    QAction* cutAct = nullptr;
    QAction* pasteAct = nullptr;
    QMenu* toolBarsMenu = nullptr;
    QAction* fileToolBarAct = nullptr;
    QAction* editToolBarAct = nullptr;
    QAction* propsToolBarAct = nullptr;
    QAction* showGridAct = nullptr;
    QAction* topLayerAct = nullptr;
    QAction* paintAct = nullptr;
    QAction* squareAct = nullptr;
    QAction* eraseAct = nullptr;
    QAction* selectAct = nullptr;
    QAction* passAct = nullptr;
    QAction* newPropAct = nullptr;
    QAction* editPropAct = nullptr;
    QAction* importPropAct = nullptr;
    QAction* exportPropAct = nullptr;
    QAction* findPropAct = nullptr;
    QAction* listPropsAct = nullptr;
    QMenu* zoomMenu = nullptr;
    QAction* zoom10Act = nullptr;
    QAction* zoom08Act = nullptr;
    QAction* zoom06Act = nullptr;
    QAction* zoom04Act = nullptr;
    QAction* zoom02Act = nullptr;
    QAction* loadTileSetAct = nullptr;
    QAction* startPointAct = nullptr;
    QAction* resizeAct = nullptr;
    QAction* aboutAct = nullptr;
    QAction* aboutQtAct = nullptr;
    QAction* fileMenuSeparator = nullptr;
    QAction* fileToolBarSeparator = nullptr;
    QMenu* fileMenu = nullptr;
    QMenu* editMenu = nullptr;
    QMenu* viewMenu = nullptr;
    QMenu* propsMenu = nullptr;
    QMenu* gameMenu = nullptr;
    QMenu* optionsMenu = nullptr;
    QMenu* helpMenu = nullptr;
    QToolBar* fileToolBar = nullptr;
    QToolBar* editToolBar = nullptr;
    QToolBar* paintToolBar = nullptr;
    QToolBar* objectToolBar = nullptr;
    QLabel* statusLabel = nullptr;
    // Right of the status tips: the pointer's cell, layer, size and brush.
    QLabel* mapStatusLabel = nullptr;
    static constexpr int MapStatusInterval = 40; // ms
    static constexpr int ReloadMessageTime = 10000; // ms a failed reload is shown
    static constexpr int MapStatusFileWidth = 320; // pixels of the brush's set name
    QTimer* mapStatusTimer = nullptr;
    bool mapStatusPending = false;
    QAction* undoAct = nullptr;
    QAction* redoAct = nullptr;
    QAction* selectAllAct = nullptr;
    QAction* randomBrushAct = nullptr;
    QAction* deleteAct = nullptr;
    static constexpr int DroppedMessageTime = 10000; // ms
    MapDocument* document = nullptr;
    // Sets whose width question is open or waiting, with the width their
    // cells are numbered for.
    QList<QPair<QString, int>> widthQuestions;
};

#pragma once

#include <QMainWindow>

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
    // The tile sets that could not be loaded, in one box.
    void refuseTileSetLoads(const QList<FileProblem>& problems);
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
};

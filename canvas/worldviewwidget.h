#pragma once

#include "canvas/layercache.h"
#include "canvas/tileclipboard.h"
#include "canvas/tilelayer.h"
#include "palette/tile.h"

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>

class QMouseEvent;
class QPaintEvent;
class QPainter;

// The map canvas: owns the set being edited (two layers of cells, the pass
// flags in the top layer, the start point, its own masked copies of the tile
// sets), applies the mouse tools and the clipboard to it and draws it.
// Cell positions are always in cell units: column x, row y from the top left.
class WorldViewWidget : public QWidget
{
    Q_OBJECT

public:
    enum ToolMode { Paint = 0, Erase = 1, Square = 2, Select = 3, Pass = 4 };
    static constexpr int MaxTileSets = 40;
    static constexpr int DefaultWorldSide = 30;

    explicit WorldViewWidget(QWidget* parent = nullptr);
    ~WorldViewWidget() override;

    void setTool(int tool);
    int tool() const { return currentTool; }
    // Clamped to [0.1, 1.0]; resizes the canvas to its new size hint.
    void setZoom(float zoom);
    float zoom() const { return zoomFactor; }
    QSize worldSize() const { return QSize(worldWidth, worldHeight); }
    // Asks before cutting cells off; keeps every cell that still fits.
    void resizeWorld(int width, int height);
    // Empties both layers at the current size and forgets every tile set.
    void clearSet();
    // First slot holding exactly this file name, or -1.
    int tileSetIndex(const QString& file) const;

    // Map files. Both report failures to the user and return false.
    bool readMapFile(QString file);
    bool writeMapFile(QString file);

    QSize sizeHint() const override;

    // Geometry at the current zoom, in widget pixels.
    int cellToPixel(int n) const;
    QRect cellRect(int column, int row) const;
    QRect cellRect(const QPoint& cell) const { return cellRect(cell.x(), cell.y()); }
    QPoint cellAt(int x, int y) const;

    // Read access for the window, tests and tools.
    const TileLayer& topLayerCells() const { return topLayer; }
    const TileLayer& bottomLayerCells() const { return bottomLayer; }
    const Tile& brushTile() const { return brush; }
    int tileSetTotal() const { return tileSetCount; }
    QString tileSetName(int slot) const { return tileSetFiles[slot]; }
    const QPixmap* tileSetImage(int slot) const { return &tileSets[slot]; }
    bool topLayerActive() const { return topLayerOn; }
    bool gridLinesShown() const { return showLines; }
    QPoint startCell() const { return startPoint; }
    QPoint currentCellPosition() const { return currentCell; }
    QPoint hoverCellPosition() const { return hoverCell; }
    std::optional<QRect> selection() const { return selectionRect; }
    const TileClipboard& clipboardContent() const { return clipboard; }

signals:
    // Asks for the tile set of this file to be loaded (map import).
    void tileSetAdded(QString file);
    void setCleared();

public slots:
    void showGridLines(bool showLines);
    void setBrushTile(Tile& selection);
    void addTileSet(QPixmap* newSet, QString newFile);
    void setStartPoint();
    void setLayer(bool top);
    void copy();
    void cut();
    void paste();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Cell operations of the mouse tools; x and y are widget pixels.
    bool isValidPoint(int x, int y) const { return x >= 0 && y >= 0; }
    bool insideMap(const QPoint& cell) const { return topLayer.contains(cell.x(), cell.y()); }
    bool beyondAnchor(const QPoint& pixel) const;
    void setCurrentCell(int x, int y);
    void setHoverCell(int x, int y);
    void paintTile(int x, int y);
    void eraseTile(int x, int y);
    void setCellPass(int x, int y, bool pass);
    void paintCell(int column, int row);
    void setFarCorner(const QPoint& cell);
    void dropSelection();
    void fillSquare();
    TileLayer& currentLayer() { return topLayerOn ? topLayer : bottomLayer; }

    // Repaint requests limited to what changed. Every change of a cell's
    // tile must go through cellsChanged(), which also tells the cache of the
    // cells' picture; clearing the set and importing replace the tile sets,
    // which the cache notices by itself.
    void cellsChanged(const QRect& cells);
    void cellMarkChanged(const QPoint& oldCell, const QPoint& newCell, int margin);
    void selectionChanged(const std::optional<QRect>& before);
    QRect cellsToPixels(const QRect& cells, int margin) const;
    QRect selectionFramePixels(const QRect& cells) const;

    // Drawing steps, each limited to the pixels in `area`.
    void drawCells(QPainter& painter, const QRect& area) const;
    bool isDrawable(const Tile& tile) const;
    void drawTile(QPainter& painter, const QRect& target, const Tile& tile) const;
    void drawGrid(QPainter& painter, const QRect& area) const;
    void drawMarks(QPainter& painter) const;
    void drawSelection(QPainter& painter) const;
    // The cells and grid lines drawn from the cache of their picture,
    // brought up to date first; false, drawing nothing, where the cache
    // cannot give exactly the pixels of drawCells() and drawGrid().
    bool drawCachedCells(QPainter& painter, const QRect& area);
    // Whether every image that the cells may draw has only fully opaque and
    // fully clear pixels, and the grid colour is opaque.
    bool cachedPicturesExact();

    // Cells that name a tile set which is not loaded (its image failed to
    // load on import) keep that name and are pointed at the image once a set
    // of exactly that name is added.
    void relinkCells(int slot);
    QStringList missingTileSets() const;

    TileLayer topLayer;
    TileLayer bottomLayer;
    Tile brush;
    bool topLayerOn = true;
    qint32 tileSetCount = 0;
    QPixmap tileSets[MaxTileSets];
    QString tileSetFiles[MaxTileSets];
    bool showLines = true;
    TileClipboard clipboard;
    QPoint startPoint;
    QPoint currentCell;
    QPoint hoverCell;
    std::optional<QRect> selectionRect;
    qint32 currentTool = Paint;
    qint32 tileSize = 40;
    qint32 worldWidth = DefaultWorldSide;
    qint32 worldHeight = DefaultWorldSide;
    float zoomFactor = 1.0f;

    // Marker images, loaded and masked once per canvas.
    QPixmap passYesImage;
    QPixmap passNoImage;
    QPixmap startImage;
    QPixmap cursorImage;

    // The picture of the cells and grid lines at the current zoom, kept
    // between paint events within a memory budget.
    LayerCache layerCache;
};

#pragma once

#include "render/canvasgeometry.h"
#include "render/layercache.h"
#include "model/layertiles.h"
#include "document/mapsteps.h"
#include "render/scaledtiles.h"
#include "model/tileclipboard.h"
#include "document/undohistory.h"
#include "model/worldmap.h"
#include "model/tile.h"

#include <QHash>
#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QWidget>

#include <optional>

class MapRenderer;
class QKeyEvent;
class QMouseEvent;
class QPaintEvent;
class QPainter;
class QWheelEvent;

// The map canvas: owns the map being edited (a WorldMap) and its undo
// history, turns the mouse tools and the clipboard into edits of the map,
// and draws it. Every edit is one step of the history; the canvas repaints
// what the map reports changed. Cell positions are always in cell units:
// column x, row y from the top left.
class WorldViewWidget : public QWidget
{
    Q_OBJECT

public:
    enum ToolMode { Paint = 0, Erase = 1, Square = 2, Select = 3, Pass = 4 };
    static constexpr int MaxTileSets = WorldMap::MaxTileSets;
    static constexpr int DefaultWorldSide = 30;

    explicit WorldViewWidget(QWidget* parent = nullptr);
    ~WorldViewWidget() override;

    void setTool(int tool);
    int tool() const { return currentTool; }
    // Clamped to [0.1, 1.0]; resizes the canvas to its new size hint.
    void setZoom(float zoom);
    float zoom() const { return geometry.zoom; }
    QSize worldSize() const { return worldMap.size(); }
    // Asks before cutting cells off; keeps every cell that still fits.
    void resizeWorld(int width, int height);
    // Empties both layers at the current size and forgets every tile set.
    void clearSet();
    // First slot holding exactly this file name, or -1.
    int tileSetIndex(const QString& file) const { return worldMap.tileSetIndex(file); }

    // Map files. Both report failures to the user and return false. A save
    // or an import makes the file the map's own and the history clean.
    bool readMapFile(QString file);
    bool writeMapFile(QString file);

    QSize sizeHint() const override;

    // Geometry at the current zoom, in widget pixels.
    int cellToPixel(int n) const { return geometry.cellToPixel(n); }
    QRect cellRect(int column, int row) const { return geometry.cellRect(column, row); }
    QRect cellRect(const QPoint& cell) const { return cellRect(cell.x(), cell.y()); }
    QPoint cellAt(int x, int y) const { return geometry.cellAt(x, y); }
    QPointF cellPosition(const QPoint& pixel) const { return geometry.cellPosition(pixel); }
    QPoint pixelOf(const QPointF& cellPosition) const { return geometry.pixelOf(cellPosition); }

    const WorldMap& map() const { return worldMap; }
    UndoHistory& history() { return undoHistory; }

    // Read access for the window, tests and tools.
    LayerTiles topLayerCells() const { return LayerTiles(worldMap, Layer::Top); }
    LayerTiles bottomLayerCells() const { return LayerTiles(worldMap, Layer::Bottom); }
    const Tile& brushTile() const { return brush; }
    int tileSetTotal() const { return worldMap.tileSetCount(); }
    QString tileSetName(int slot) const { return worldMap.tileSetName(slot); }
    const QPixmap* tileSetImage(int slot) const { return worldMap.tileSetImage(slot); }
    bool topLayerActive() const { return topLayerOn; }
    bool gridLinesShown() const { return showLines; }
    QPoint startCell() const { return worldMap.startPoint(); }
    QPoint currentCellPosition() const { return currentCell; }
    QPoint hoverCellPosition() const { return hoverCell; }
    // The cell of the map under the pointer, while the pointer is over one.
    std::optional<QPoint> pointerCell() const;
    std::optional<QRect> selection() const { return selectionRect; }
    const TileClipboard& clipboardContent() const { return clipboard; }
    const LayerCache& pictureCache() const { return layerCache; }

signals:
    // Asks for the tile set of this file to be loaded (map import, undo).
    void tileSetAdded(QString file);
    void setCleared();
    // Around the requests of one import or undo, so that the sets that
    // cannot be loaded are reported together.
    void tileSetLoadsStarted();
    void tileSetLoadsFinished();
    // The brush is now tile `index` of the set named `file`, or none (-1).
    void brushChanged(const QString& file, int index);
    // The brush was taken from the map (Ctrl+click): its set should be shown
    // with the tile marked.
    void tilePicked(const QString& file, int index);
    // Undo or redo replaced the map: the loaded set k should be shown, as it
    // was before.
    void tileSetRestored(int k);
    // The pointer's cell, the current layer or the map's size changed.
    void statusChanged();
    // Ctrl+wheel: the view should zoom `steps` levels in (out when negative)
    // about the point under `pixel`.
    void zoomStepRequested(int steps, const QPoint& pixel);

public slots:
    void showGridLines(bool showLines);
    void setBrushTile(Tile& selection);
    // The loaded set k that the palette shows, -1 for none.
    void setShownTileSet(int k);
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
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    Layer currentLayer() const { return topLayerOn ? Layer::Top : Layer::Bottom; }
    void requestTileSets(const QStringList& names);
    // Makes an edit of cells (a call of `edit` with the map and a patch to
    // record into) a step of the history, when it changes anything; the
    // edits of one stroke are one step.
    template<typename Edit>
    void editCells(const QString& text, const Edit& edit, int stroke = -1)
    {
        CellPatch done;
        edit(worldMap, &done);
        keepEdit(text, std::move(done), stroke);
    }
    void keepEdit(const QString& text, CellPatch done, int stroke);

    // Mouse tools; x and y are widget pixels.
    bool isValidPoint(int x, int y) const { return x >= 0 && y >= 0; }
    bool beyondAnchor(const QPoint& pixel) const;
    void setCurrentCell(int x, int y);
    void setHoverCell(int x, int y);
    // Paints (or erases, with the Erase tool) every cell that the pointer
    // passed over since the last position of the stroke.
    void strokeTo(const QPoint& pixel);
    void setFarCorner(const QPoint& cell);
    void dropSelection();
    void fillSquare();
    // The gestures with a modifier key: Ctrl+click takes the cell's tile as
    // the brush, Shift+click paints a fill, Shift+drag sets a rectangle's
    // pass flags.
    void pickTile(const QPoint& cell);
    void floodFill(const QPoint& cell);
    void startPassRectangle(const QPoint& cell);
    void stretchPassRectangle(const QPoint& cell);
    void finishPassRectangle();
    // Empties the selection, or without one the current cell.
    void deleteCells();

    // Repaint requests limited to what changed.
    void cellsChanged(const QRect& cells);
    void startPointMoved(const QPoint& before, const QPoint& after);
    void cellMarkChanged(const QPoint& oldCell, const QPoint& newCell, int margin);
    void selectionChanged(const std::optional<QRect>& before);
    QRect selectionFramePixels(const QRect& cells) const;

    // Drawing: the ground, the cells and grid lines, from the cache of their
    // picture where it gives exactly the pixels of drawing them directly,
    // then the marks over them.
    MapRenderer renderer() const;
    // The opaque colour the canvas paints below its cells: its palette's
    // colour of its background role, Dark, as the scroll area around it.
    QColor groundColour() const;
    void drawMarks(QPainter& painter) const;
    void drawSelection(QPainter& painter) const;
    bool drawCachedCells(QPainter& painter, const QRect& area, const MapRenderer& renderer);

    WorldMap worldMap;
    UndoHistory undoHistory;
    // The image cells are drawn from, by the loaded image it was made from.
    QHash<qint64, QPixmap> drawnImages;
    Tile brush;
    bool topLayerOn = true;
    bool showLines = true;
    TileClipboard clipboard;
    QPoint currentCell;
    QPoint hoverCell;
    std::optional<QRect> selectionRect;
    qint32 currentTool = Paint;
    CanvasGeometry geometry;
    bool pointerOver = false;

    // What the left button does from its press to its release: the tool,
    // or a gesture that a modifier key chose at the press.
    enum class LeftGesture { Tool, Pick, Fill, PassRectangle };
    LeftGesture leftGesture = LeftGesture::Tool;
    // The pass rectangle's first cell, and the value its cells take.
    std::optional<QPoint> passAnchor;
    bool passValue = false;
    // Wheel turns with Ctrl held, in eighths of a degree, not yet a step.
    int zoomTurn = 0;

    // The stroke in progress: its number, for merging its steps, and the
    // pointer's last position in cell units, once it has one.
    int strokes = 0;
    int stroke = -1;
    std::optional<QPointF> strokePosition;

    // Marker images, loaded once per canvas; those keyed to a background
    // colour are masked by the tile sets' rule.
    QPixmap passYesImage;
    QPixmap passNoImage;
    QPixmap startImage;
    QPixmap cursorImage;

    // The picture of the cells and grid lines at the current zoom, kept
    // between paint events within a memory budget, and the tiles it is
    // composited from, scaled to the current zoom.
    LayerCache layerCache;
    ScaledTiles scaledTiles;
};

#pragma once

#include "document/mapdocument.h"
#include "model/layertiles.h"
#include "model/selectionmove.h"
#include "model/tile.h"
#include "model/tileclipboard.h"
#include "model/tilestamp.h"
#include "model/worldmap.h"
#include "render/canvasgeometry.h"
#include "render/layercache.h"
#include "render/previewpicture.h"
#include "render/scaledtiles.h"

#include <QPixmap>
#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <optional>
#include <vector>

class MapRenderer;
class QKeyEvent;
class QMouseEvent;
class QMoveEvent;
class QPaintEvent;
class QPainter;
class QWheelEvent;

// The map canvas: a view of the map document that turns the mouse tools and
// the clipboard into edits of the document's map and draws the map. Every
// edit is one step of the document's history; the canvas repaints what the
// map reports changed. Cell positions are always in cell units: column x,
// row y from the top left.
class WorldViewWidget : public QWidget
{
    Q_OBJECT

public:
    enum ToolMode { Paint = 0, Erase = 1, Square = 2, Select = 3, Pass = 4 };
    static constexpr int MaxTileSets = MapDocument::MaxTileSets;
    static constexpr int DefaultWorldSide = MapDocument::DefaultSide;

    // A canvas with a document of its own.
    explicit WorldViewWidget(QWidget* parent = nullptr);
    // A view of `document`, which must outlive the canvas.
    explicit WorldViewWidget(MapDocument* document, QWidget* parent = nullptr);
    ~WorldViewWidget() override;

    MapDocument* document() const { return doc; }

    void setTool(int tool);
    int tool() const { return currentTool; }
    // Clamped to [0.1, 1.0]; resizes the canvas to its new size hint.
    void setZoom(float zoom);
    float zoom() const { return geometry.zoom; }
    QSize worldSize() const { return map().size(); }
    // Keeps every cell that still fits; the cells cut off come back with
    // undo. Whoever offers the user a smaller map asks first.
    void resizeWorld(int width, int height);
    // Empties both layers at the current size and forgets every tile set,
    // the brush and the clipboard; emits setCleared().
    void clearSet();
    // First slot holding exactly this file name, or -1.
    int tileSetIndex(const QString& file) const { return map().tileSetIndex(file); }

    // Map files, through the document: false with the reason in *error
    // (none when the user cancelled the import). An import also empties the
    // clipboard; the sets it could not load are listed in *unloadedSets.
    bool readMapFile(QString file, QString* error = nullptr, QList<FileProblem>* unloadedSets = nullptr);
    bool writeMapFile(QString file, QString* error = nullptr);

    QSize sizeHint() const override;

    // Geometry at the current zoom, in widget pixels.
    int cellToPixel(int n) const { return geometry.cellToPixel(n); }
    QRect cellRect(int column, int row) const { return geometry.cellRect(column, row); }
    QRect cellRect(const QPoint& cell) const { return cellRect(cell.x(), cell.y()); }
    QPoint cellAt(int x, int y) const { return geometry.cellAt(x, y); }
    QPointF cellPosition(const QPoint& pixel) const { return geometry.cellPosition(pixel); }
    QPoint pixelOf(const QPointF& cellPosition) const { return geometry.pixelOf(cellPosition); }

    const WorldMap& map() const { return doc->map(); }
    UndoHistory& history() { return doc->history(); }

    // Read access for the window, tests and tools.
    LayerTiles topLayerCells() const { return LayerTiles(map(), Layer::Top); }
    LayerTiles bottomLayerCells() const { return LayerTiles(map(), Layer::Bottom); }
    const Tile& brushTile() const { return doc->brush(); }
    int tileSetTotal() const { return map().tileSetCount(); }
    QString tileSetName(int slot) const { return map().tileSetName(slot); }
    // The copy of the set's image that cells are drawn from.
    const QPixmap* tileSetImage(int slot) const { return map().drawnImage(slot); }
    bool topLayerActive() const { return topLayerOn; }
    bool gridLinesShown() const { return showLines; }
    QPoint startCell() const { return map().startPoint(); }
    QPoint currentCellPosition() const { return currentCell; }
    QPoint hoverCellPosition() const { return hoverCell; }
    // The cell of the map under the pointer, while the pointer is over one.
    std::optional<QPoint> pointerCell() const;
    std::optional<QRect> selection() const { return selectionRect; }
    const TileClipboard& clipboardContent() const { return clipboard; }
    const LayerCache& pictureCache() const { return layerCache; }

signals:
    // Asks for the tile set of this file to be loaded through the palette.
    // An import loads its sets through the document, before the map changes,
    // and asks nothing.
    void tileSetAdded(QString file);
    void setCleared();
    // The pointer's cell, the current layer or the map's size changed.
    void statusChanged();
    // Ctrl+wheel: the view should zoom `steps` levels in (out when negative)
    // about the point under `pixel`.
    void zoomStepRequested(int steps, const QPoint& pixel);
    // A move put down `count` cells past the map's edge, which are gone.
    void cellsDropped(int count);

public slots:
    void showGridLines(bool showLines);
    void setBrushTile(Tile& selection);
    // Adds the set to the document's one list of tile sets.
    void addTileSet(QPixmap* newSet, QString newFile);
    void setStartPoint();
    void setLayer(bool top);
    void copy();
    void cut();
    void paste();
    void selectAll();
    // Empties the selection, or without one the current cell, in the current
    // layer.
    void deleteCells();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    Layer currentLayer() const { return topLayerOn ? Layer::Top : Layer::Bottom; }
    // The cells of the rectangle from one cell to another, in either
    // direction, that lie inside the map; none when no cell does.
    std::optional<QRect> spanned(const QPoint& from, const QPoint& to) const;

    // Mouse tools; x and y are widget pixels.
    bool isValidPoint(int x, int y) const { return x >= 0 && y >= 0; }
    void setCurrentCell(int x, int y);
    void setHoverCell(int x, int y);
    // The pointer, last seen at this position on the screen, after the
    // canvas moved or changed its zoom under it.
    void followPointer();
    void pointerLeft();
    void startStroke(const QPoint& cell);
    // Paints (or erases, with the Erase tool) every cell that the pointer
    // passed over since the last position of the stroke.
    void strokeTo(const QPoint& pixel);
    // Lays the stamp on `places` of the current layer, its copies anchored
    // at `anchor`, as one step or as part of a stroke.
    void layStamp(const QString& text, const TileStamp& stamp, const QPoint& anchor,
                  const std::optional<quint32>& seed, const std::vector<QPoint>& places,
                  int strokeNumber = -1);
    void setFarCorner(const QPoint& cell);
    void setSelection(const std::optional<QRect>& cells);
    void dropSelection();
    void fillSquare();
    // The gestures with a modifier key: Ctrl+click takes the cell's tile as
    // the brush and Ctrl+drag a rectangle of cells, Shift+click paints a
    // fill, Shift+drag sets a rectangle's pass flags.
    void pickTile(const QPoint& cell);
    void pickCells(const QPoint& cell);
    void floodFill(const QPoint& cell);
    void startPassRectangle(const QPoint& cell);
    void stretchPassRectangle(const QPoint& cell);
    void finishPassRectangle();

    // Moving the selection: lifted at a press inside it, floating while
    // the pointer drags it, put down at the release or by an arrow key.
    void startMove(const QPoint& cell, Qt::KeyboardModifiers modifiers);
    void dragMove(const QPoint& cell);
    void finishMove();
    void cancelMove();
    // Moves the selection one cell, or the floating cells with it.
    void nudge(const QPoint& step, Qt::KeyboardModifiers modifiers);
    void putDown(const SelectionMove& move);

    // Repaint requests limited to what changed.
    void cellsChanged(const QRect& cells);
    void startPointMoved(const QPoint& before, const QPoint& after);
    void cellMarkChanged(const QPoint& oldCell, const QPoint& newCell, int margin);
    void selectionChanged(const std::optional<QRect>& before);
    QRect selectionFramePixels(const QRect& cells) const;
    // The frame shown around the selection: where the floating cells are
    // while they move.
    std::optional<QRect> selectionFrame() const;

    // The preview: what the map would hold if the gesture under way ended
    // now, drawn over the map and under the grid lines. The brush shows half
    // opaque where a click would paint (the square while one is dragged);
    // floating cells show as the map would be with them put down.
    void previewChanged();
    QRegion previewPixels() const;
    // What `layer`'s cell at `place` would hold; false where the preview
    // leaves it.
    bool previewCell(Layer layer, const QPoint& place, Cell* value) const;
    void drawPreview(QPainter& painter, const QRect& area, const MapRenderer& renderer);

    // Drawing: the ground, the cells and grid lines, from the cache of their
    // picture where it gives exactly the pixels of drawing them directly,
    // then the marks over them.
    MapRenderer renderer() const;
    // The opaque colour the canvas paints below its cells: its palette's
    // colour of its background role, Dark, as the scroll area around it.
    QColor groundColour() const;
    void drawMarks(QPainter& painter) const;
    void drawFrame(QPainter& painter, const QRect& cells, const QColor& colour) const;

    MapDocument* doc;
    bool topLayerOn = true;
    bool showLines = true;
    TileClipboard clipboard;
    QPoint currentCell;
    QPoint hoverCell;
    std::optional<QRect> selectionRect;
    qint32 currentTool = Paint;
    CanvasGeometry geometry;
    bool pointerOver = false;
    QPointF pointerOnScreen;
    bool leftHeld = false;

    // What the left button does from its press to its release: the tool,
    // or a gesture that a modifier key or a press in the selection chose.
    enum class LeftGesture { Tool, Pick, Fill, PassRectangle, Move };
    LeftGesture leftGesture = LeftGesture::Tool;
    // The cell where a selection or a Ctrl+drag of cells started.
    std::optional<QPoint> selectAnchor;
    std::optional<QPoint> pickAnchor;
    std::optional<QRect> pickedCells;
    // The pass rectangle's first cell, and the value its cells take.
    std::optional<QPoint> passAnchor;
    bool passValue = false;
    // Wheel turns with Ctrl held, in eighths of a degree, not yet a step.
    int zoomTurn = 0;

    // The stroke in progress: its number, for merging its steps, and the
    // pointer's last position in cell units, once it has one; the stamp it
    // lays, anchored at its first cell, and its random seed.
    int strokes = 0;
    int stroke = -1;
    std::optional<QPointF> strokePosition;
    TileStamp strokeStamp;
    QPoint strokeAnchor;
    std::optional<quint32> strokeSeed;

    // The move under way: the cell pressed, the pointer's cell and the
    // steps of the arrow keys since; whether the pointer has left the
    // pressed cell, before which a release selects that cell, as a click.
    std::optional<SelectionMove> moving;
    QPoint movePress;
    QPoint moveCell;
    QPoint moveSteps;
    bool moveStarted = false;

    // The brush's preview, and the pixels the preview painted last.
    struct StampPreview
    {
        Layer layer;
        QRect cells;
        QPoint anchor;
        std::optional<quint32> seed;
        TileStamp stamp;
    };
    std::optional<StampPreview> stampPreview;
    QRegion previewShown;
    // The preview's pictures, one for each rectangle it changes.
    std::vector<PreviewPicture> previewPictures;

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

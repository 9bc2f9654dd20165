#pragma once

#include "render/canvasgeometry.h"
#include "model/cell.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>

#include <functional>
#include <optional>
#include <vector>

class QPainter;
class QPixmap;
class ScaledTiles;
class WorldMap;
struct CellPicture;
struct DevicePixels;

// Draws a map's cells and grid lines: for each cell the bottom layer's tile,
// or the empty-cell colour over the cell's square and the grid line after
// it, the top layer's tile and, in Pass mode, the pass mark; then the grid
// lines. Each step draws only what meets the area asked for, with exactly
// the pixels of drawing everything in order. The canvas draws through it,
// directly and into the cache of its picture. Drawing into images may run
// on several threads at once, each into an image of its own.
class MapRenderer
{
public:
    struct Options
    {
        CanvasGeometry geometry;
        bool topLayer = true;
        // Pass marks are drawn when both images are given.
        const QPixmap* passYes = nullptr;
        const QPixmap* passNo = nullptr;
        QColor gridColour = Qt::black;
    };

    static const QColor emptyCellColour;

    MapRenderer(const WorldMap& map, const Options& options);

    void drawCells(QPainter& painter, const QRect& area) const;
    // What cells hold instead of the map's: given the map's cells at
    // (column, row), changes them.
    using CellsAt = std::function<void(int column, int row, Cell* bottom, Cell* top)>;

    // The same cells with the same pixels as a painter draws them on a
    // device that puts widget pixels at `device` (a screen scale, a
    // translation), composited straight into the pixels of `image` within
    // `area`, from tiles scaled once into `tiles` rather than with a painter
    // call per tile: much quicker where cells are small. An image of another
    // format than 32-bit (A)RGB, or a device whose pixels are not whole
    // quarters of widget pixels, is drawn on with a painter. With `cellsAt`,
    // the cells are drawn as it says they are, when composited. With
    // `ground`, the pixels that the bottom tiles may leave uncovered are
    // first given that premultiplied colour.
    void drawCells(QImage& image, const DevicePixels& device, const QRect& area, ScaledTiles& tiles,
                   const CellsAt& cellsAt = nullptr, std::optional<QRgb> ground = std::nullopt) const;
    void drawGrid(QPainter& painter, const QRect& area) const;
    // The same grid lines with the same pixels, straight into `image`.
    void drawGrid(QImage& image, const DevicePixels& device, const QRect& area) const;

    // Whether the cell's image holds its tile; a cell whose set is not
    // loaded, or whose tile lies beyond the image's whole tiles, is drawn
    // empty (and keeps its tile for saving).
    bool isDrawable(const Cell& cell) const
    {
        // Below the count of whole tiles, a tile's square lies inside the
        // image and no position computed from it can overflow.
        return cell.tileIndex >= 0 && cell.tileIndex < slotTiles[cell.tileSet];
    }
    // The image a cell is drawn from, told apart by QPixmap::cacheKey(); 0
    // for a cell drawn empty.
    qint64 imageKey(const Cell& cell) const { return isDrawable(cell) ? slotKeys[cell.tileSet] : 0; }
    // What each of `cells` puts into the map's picture, column after
    // column: the images and tiles drawn for it and its pass mark; with
    // `cellsAt`, as it says the cells are.
    void cellPictures(const QRect& cells, CellPicture* pictures, const CellsAt& cellsAt = nullptr) const;
    // The keys of every image that cells may be drawn from.
    QList<qint64> imageKeys() const;

    const Options& drawingOptions() const { return options; }
    QSize mapSize() const;

private:
    // The cells that may paint into `area`, as a rectangle of cells; empty
    // when none do.
    QRect cellsMeeting(const QRect& area) const;
    // Only 32-bit (A)RGB pixels on a device of whole quarter pixels are
    // composited straight; into any other image, `draw` draws with a
    // painter instead.
    static bool composited(const QImage& image, const DevicePixels& device);
    void drawWithPainter(QImage& image, const DevicePixels& device, const QRect& clip,
                         void (MapRenderer::*draw)(QPainter&, const QRect&) const) const;
    void drawTile(QPainter& painter, const QRect& target, const Cell& cell) const;

    const WorldMap& map;
    Options options;
    // Per slot of the map: its image, when it holds a whole tile, the same
    // pixels as an image that threads may read, the number of its whole
    // tiles, and its key.
    std::vector<const QPixmap*> slotPixmaps;
    std::vector<QImage> slotImages;
    std::vector<qint64> slotTiles;
    std::vector<qint64> slotKeys;
    // The pass marks, likewise.
    QImage passImages[2]; // [passable]
    qint64 passKeys[2] = {};
};

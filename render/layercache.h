#pragma once

#include "render/devicepixels.h"
#include "render/pageblock.h"

#include <QColor>
#include <QImage>
#include <QList>
#include <QPointF>
#include <QRect>

#include <functional>
#include <optional>
#include <vector>

class QPainter;

// What one cell puts into the picture of the map's cells: the tiles drawn
// for it and its pass mark. Images are told apart by QPixmap::cacheKey(),
// which changes whenever an image does.
struct CellPicture
{
    qint64 bottomImage = 0; // 0: the empty-cell fill
    qint64 topImage = 0; // 0: no top tile drawn
    qint32 bottomTile = -1;
    qint32 topTile = -1;
    qint32 passMark = 0; // 0: none, 1: impassable, 2: passable
};

inline bool operator==(const CellPicture& a, const CellPicture& b)
{
    return a.bottomImage == b.bottomImage && a.topImage == b.topImage && a.bottomTile == b.bottomTile
        && a.topTile == b.topTile && a.passMark == b.passMark;
}

inline bool operator!=(const CellPicture& a, const CellPicture& b)
{
    return !(a == b);
}

// Keeps the picture of the map's cells (both layers and the pass marks, in
// their order of drawing) and of the grid lines over them at one zoom, in
// square chunks of cells held in the device's own pixels (a screen scale
// of 1.25 or 2 included) and in the format of its pixels, so that a repaint
// copies pixels instead of drawing every tile and line again, without a
// conversion. Each chunk remembers the picture of every cell that paints
// into it. When cells are reported changed, the chunks that show them
// compare those pictures with the map before their next use and draw the
// cells that changed again, together with every neighbour that paints into
// the same pixels. Chunks that a paint needs are drawn several at a time,
// on every core. Beyond those a paint needs, chunks are kept within a
// memory budget, those furthest from the area painted dropped first, so
// that the cache serves a window of any size and never holds the whole map
// at a zoom where it would be large.
//
// A chunk starts from the opaque ground colour that whoever paints the
// cells directly paints below them first. Every blend of a partly
// transparent pixel then meets the same destination pixels in the chunk as
// on the canvas, so the chunk holds exactly the pixels of drawing directly,
// whatever the images; and being opaque, it is copied, not blended.
class LayerCache
{
public:
    // What the picture depends on besides the cells: the pixel position of
    // each grid line (0 to the map's width and height) and the side of a
    // cell, in widget pixels, the grid lines drawn over the cells and the
    // opaque colour below them; and the device: its pixels per widget pixel,
    // the fraction of a device pixel at which widget pixel (0, 0) lies, and
    // the format of its pixels.
    struct Layout
    {
        std::vector<int> columnLines;
        std::vector<int> rowLines;
        int side = 0;
        bool gridLines = false;
        QRgb gridColour = 0;
        QRgb ground = 0xff000000;
        qreal scale = 1;
        QPointF phase;
        QImage::Format format = QImage::Format_RGB32;

        bool operator==(const Layout& other) const
        {
            return side == other.side && gridLines == other.gridLines && gridColour == other.gridColour
                && ground == other.ground && scale == other.scale && phase == other.phase
                && format == other.format && columnLines == other.columnLines && rowLines == other.rowLines;
        }
        bool operator!=(const Layout& other) const { return !(*this == other); }
    };

    // A painter's device as the layout names it, and the whole device pixel
    // at or before widget pixel (0, 0).
    struct Device
    {
        qreal scale = 1;
        QPointF phase;
        QImage::Format format = QImage::Format_RGB32;
        QPoint origin;
    };
    // The device that `painter` draws on, when the cache can serve it: an
    // image of 32-bit (A)RGB pixels drawn on by Qt's raster engine, scaled
    // alike both ways and placed on whole quarters of its pixels.
    static std::optional<Device> deviceOf(const QPainter& painter);

    // Fills `pictures` with the pictures of `cells`, column after column.
    using PicturesOf = std::function<void(const QRect& cells, CellPicture* pictures)>;
    // Draws into `image`, whose pixels lie where `device` puts widget
    // pixels, the ground colour and then, in order, every cell and every
    // grid line that meets `area` (pixels of the image), and nothing outside
    // it; `area` holds older pixels when it is called. Both are called
    // from several threads at once, each time for another chunk.
    using Draw = std::function<void(QImage& image, const DevicePixels& device, const QRect& area)>;
    // Draws the ground, the cells and the grid lines that meet `area`
    // (widget pixels) with the painter, as whoever paints the cells does
    // without the cache.
    using DrawDirectly = std::function<void(QPainter& painter, const QRect& area)>;

    static constexpr qint64 DefaultBudgetBytes = qint64(32) * 1024 * 1024;

    // Chunks beyond those of the latest paint are kept within the larger of
    // `budgetBytes` and half again those of the latest paint.
    explicit LayerCache(qint64 budgetBytes = DefaultBudgetBytes);

    // Drops every chunk when the layout differs from the one they were
    // drawn with (another zoom, map size, grid or device).
    void setLayout(Layout layout);
    // Drops every chunk and the layout.
    void clear();

    // Every change of what a cell draws must be reported here, in cell
    // units, before the next paint(): only the chunks that show reported
    // cells look at the map again.
    void cellsChanged(const QRect& cells);
    // The images that the cells may draw from, told apart by cacheKey().
    // When they differ from the last ones (a tile set was added, dropped or
    // replaced) every chunk looks at the map again.
    void setImages(const QList<qint64>& keys);

    // Draws the cells' picture within `area` (widget pixels) from the
    // chunks, bringing them up to date first, and the ground colour around
    // the map. The painter draws on the device of the layout.
    //
    // Where a device scale puts cells on half device pixels left of or
    // above the device's corner, the painter rounds their edges the other
    // way than elsewhere, which no chunk drawn for any position can hold: the
    // cells across the device's left and top edges are drawn directly there.
    void paint(QPainter& painter, const QRect& area, const PicturesOf& picturesOf, const Draw& draw,
               const DrawDirectly& drawDirectly);

    qint64 bytesUsed() const { return usedBytes; }
    // Memory of dropped chunks kept for the next ones.
    qint64 bytesSpare() const { return spareBytes; }

private:
    struct Chunk
    {
        QImage image; // over `memory`
        PageBlock memory;
        QRect pixels; // in the device's pixels, from `Device::origin`
        QRect cells; // every cell that paints into `pixels`
        std::vector<CellPicture> drawn; // column after column over `cells`
        quint64 lastUse = 0;
        bool changed = false; // cells may differ from `drawn`
    };
    // Device pixels along one axis: where each cell starts (and, after the
    // last cell, the last grid line), and where the pixels that each cell
    // may paint end.
    struct Axis
    {
        std::vector<int> starts;
        std::vector<int> ends;
        int mapEnd = 0; // after the last pixel of the map

        Axis(const std::vector<int>& lines, int side, const DevicePixels& device);
        Axis() = default;
        int cells() const { return int(ends.size()); }
    };

    int chunkColumns() const { return chunkCount(columns); }
    int chunkRows() const { return chunkCount(rows); }
    int chunkCount(const Axis& axis) const { return (axis.cells() + cellsPerChunk - 1) / cellsPerChunk; }
    Chunk& chunkAt(int chunkColumn, int chunkRow)
    {
        return chunks[size_t(chunkRow) * chunkColumns() + chunkColumn];
    }
    QRect chunkPixels(int chunkColumn, int chunkRow) const;
    QRect chunkCells(int chunkColumn, int chunkRow) const;
    // The chunk columns or rows whose pixels meet [first, last].
    std::pair<int, int> chunkSpan(const Axis& axis, int first, int last) const;
    // Device pixels that cells may paint.
    QRect cellArea(const QRect& cells) const;
    QRect mapPixels() const;
    // The pixels at the device's left or top edge, from `origin`, that cells
    // starting before it may paint; empty where none does.
    QRect edgeStrip(const Axis& axis, int origin) const;
    // Drops the chunks not used by the latest paint, those furthest from the
    // chunks it used first, until `needed` more bytes stay within `limit`.
    void evict(const QRect& usedChunks, qint64 needed, qint64 limit);

    // Gives the chunk its place and pixel memory, a spare block where one is
    // large enough.
    void prepare(Chunk& chunk, int chunkColumn, int chunkRow);
    void build(Chunk& chunk, const PicturesOf& picturesOf, const Draw& draw) const;
    void refresh(Chunk& chunk, const QRect& area, const PicturesOf& picturesOf, const Draw& draw) const;
    void redraw(Chunk& chunk, const QRect& pixels, const Draw& draw) const;
    // Drops the chunk's pixels, keeping its memory spare for the next paint.
    void release(Chunk& chunk);

    qint64 budget;
    qint64 usedBytes = 0;
    quint64 paints = 0;
    Layout current;
    DevicePixels device;
    Axis columns;
    Axis rows;
    int cellsPerChunk = 1;
    std::vector<Chunk> chunks; // row after row of chunks
    // Pixel memory of chunks dropped, for the next ones: memory the system
    // gives afresh costs a page fault for every 4 KB on first use, as much as
    // drawing a picture of small cells into it.
    std::vector<PageBlock> spare;
    qint64 spareBytes = 0;
    QList<qint64> images;
};

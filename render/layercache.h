#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>

#include <functional>
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
// square chunks of cells, so that a repaint copies pixels instead of drawing
// every tile and line again. Each chunk remembers the picture of every cell
// that paints into it. When cells are reported changed, the chunks that
// show them compare those pictures with the map before their next use and
// draw the cells that changed again, together with every neighbour that
// paints into the same pixels. Chunks not used lately are dropped to stay
// within a memory budget, so the cache never holds the whole map at a zoom
// where it would be large.
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
    // opaque colour below them.
    struct Layout
    {
        std::vector<int> columnLines;
        std::vector<int> rowLines;
        int side = 0;
        bool gridLines = false;
        QRgb gridColour = 0;
        QRgb ground = 0xff000000;

        bool operator==(const Layout& other) const
        {
            return side == other.side && gridLines == other.gridLines && gridColour == other.gridColour
                && ground == other.ground && columnLines == other.columnLines && rowLines == other.rowLines;
        }
        bool operator!=(const Layout& other) const { return !(*this == other); }
    };

    // Fills `pictures` with the pictures of `cells`, column after column.
    using PicturesOf = std::function<void(const QRect& cells, CellPicture* pictures)>;
    // Draws into `image`, whose top-left pixel is widget pixel `origin`, in
    // order, every cell and then every grid line that meets `area`, and
    // nothing outside it; `area` holds the ground colour when it is called.
    using Draw = std::function<void(QImage& image, const QPoint& origin, const QRect& area)>;

    static constexpr qint64 DefaultBudgetBytes = qint64(32) * 1024 * 1024;

    explicit LayerCache(qint64 budgetBytes = DefaultBudgetBytes);

    // Drops every chunk when the layout differs from the one they were
    // drawn with (another zoom, map size or grid).
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

    // Draws the cells' picture within `area` from the chunks, bringing them
    // up to date first. Returns false, drawing nothing, when the chunks that
    // meet `area` would not fit the budget together.
    bool paint(QPainter& painter, const QRect& area, const PicturesOf& picturesOf, const Draw& draw);

    qint64 bytesUsed() const { return usedBytes; }

private:
    struct Chunk
    {
        QImage image;
        QRect pixels; // in widget pixels
        QRect cells; // every cell that paints into `pixels`
        std::vector<CellPicture> drawn; // column after column over `cells`
        quint64 lastUse = 0;
        bool changed = false; // cells may differ from `drawn`
    };

    int chunkColumns() const;
    int chunkRows() const;
    Chunk& chunkAt(int chunkColumn, int chunkRow)
    {
        return chunks[size_t(chunkRow) * chunkColumns() + chunkColumn];
    }
    QRect chunkPixels(int chunkColumn, int chunkRow) const;
    QRect chunkCells(int chunkColumn, int chunkRow) const;
    // The chunk columns or rows whose pixels meet [first, last].
    std::pair<int, int> chunkSpan(const std::vector<int>& lines, int first, int last) const;
    // Pixels that a cell may paint: its square one pixel wider and taller.
    QRect cellArea(const QRect& cells) const;

    void build(Chunk& chunk, int chunkColumn, int chunkRow, const PicturesOf& picturesOf, const Draw& draw);
    void refresh(Chunk& chunk, const QRect& area, const PicturesOf& picturesOf, const Draw& draw);
    void redraw(Chunk& chunk, const QRect& pixels, const Draw& draw);
    void release(Chunk& chunk);
    void blit(QPainter& painter, const Chunk& chunk, const QRect& area);

    qint64 budget;
    qint64 usedBytes = 0;
    quint64 paints = 0;
    Layout current;
    int cellsPerChunk = 1;
    std::vector<Chunk> chunks; // row after row of chunks
    std::vector<CellPicture> scratch;
    QList<qint64> images;
};

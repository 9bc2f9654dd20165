#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// Tiles scaled to the device pixels of a cell, kept so that the picture of
// the cells can be composited pixel by pixel instead of with one painter
// call per tile. Each tile is drawn once with QPainter, by the very call
// that draws it onto the canvas, under the same scale and at the same
// fraction of a device pixel, into a clear image. Drawing without smoothing
// picks the same source pixels wherever the square lies, and QPainter blends
// a premultiplied pixel over an opaque one as compositeOver() does, so
// compositing a scaled tile gives exactly the pixels of drawing it directly.
//
// Tiles are made when first asked for, by whichever thread asks: several
// threads may draw from the same sets at once.
class ScaledTiles
{
public:
    // How much of its square a scaled tile covers: compositing skips a clear
    // tile, copies an opaque one, and goes along the runs of a cut-out one
    // (each pixel clear or opaque) or of a mixed one (some partly
    // transparent).
    enum class Coverage : quint8 { Clear, Opaque, Cutout, Mixed };

    // Pixels of one row of a tile next to each other, all opaque, which are
    // copied, or all partly transparent, which are blended.
    struct Run
    {
        quint16 start = 0;
        quint16 length = 0;
        bool opaque = false;
    };

    // One scaled tile: rows of `width` premultiplied pixels, `stride` pixels
    // apart, and, in a mixed tile, the runs of each row: those of row y are
    // runs[rowRuns[y]] up to runs[rowRuns[y + 1]].
    struct Tile
    {
        const QRgb* pixels = nullptr;
        qsizetype stride = 0;
        int width = 0;
        int height = 0;
        Coverage coverage = Coverage::Clear;
        std::vector<Run> runs;
        std::vector<quint32> rowRuns;
    };

    // Where a tile is drawn: into a square of `side` widget pixels, on a
    // device of `scale` pixels per widget pixel, its corner at (fx, fy)
    // device pixels past a whole pixel.
    struct Placement
    {
        qreal scale = 1;
        int side = 0;
        qreal fx = 0;
        qreal fy = 0;

        bool operator==(const Placement& other) const
        {
            return scale == other.scale && side == other.side && fx == other.fx && fy == other.fy;
        }
        // The device pixels the square covers, from the whole pixel before
        // its corner.
        QRect square() const;
    };

    // The tiles of one image, cut into pieces of `tileSize` numbered row by
    // row, each drawn at `placement`. A tile that is not in the image is
    // clear, as drawing it directly draws nothing.
    class Set
    {
    public:
        Set(const QImage& image, qint64 key, const QSize& tileSize, const Placement& placement);

        const Tile& tile(qint32 index)
        {
            if (index < 0 || index >= tileCount)
                return clearTile;
            if (!made[size_t(index)].load(std::memory_order_acquire))
                make(index);
            return tiles[size_t(index)];
        }

        qint64 key() const { return imageKey; }
        QSize tileSize() const { return pieceSize; }
        const Placement& placement() const { return where; }
        // Where each tile's pixels start, from the whole device pixel before
        // the corner of its square.
        QPoint offset() const { return square.topLeft(); }
        qint64 bytes() const { return scaledBytes.load(std::memory_order_relaxed); }

    private:
        friend class ScaledTiles;
        void make(qint32 index);

        QImage image;
        // The image's own pixels, read in place where a tile needs no
        // scaling; null when they are in another format.
        QImage pixels;
        qint64 imageKey;
        QSize pieceSize;
        Placement where;
        QRect square;
        int columns;
        qint32 tileCount;
        std::mutex making;
        std::unique_ptr<std::atomic<bool>[]> made;
        std::vector<Tile> tiles;
        std::vector<std::vector<QRgb>> scaled;
        std::atomic<qint64> scaledBytes { 0 };
        quint64 lastUse = 0;
        Tile clearTile;
    };

    // Scaled pixels kept beyond those of the images in use are dropped,
    // those used longest ago first, past this many bytes.
    static constexpr qint64 BudgetBytes = qint64(32) * 1024 * 1024;

    // The set of `image` (told apart by `key`) cut into `tileSize` pieces at
    // `placement`, made empty the first time it is asked for.
    Set& set(const QImage& image, qint64 key, const QSize& tileSize, const Placement& placement);

    // Forgets the sets of images other than these, then, beyond the budget,
    // the sets used longest ago. Not while another thread draws.
    void retain(const QList<qint64>& imageKeys);

    qint64 bytes() const;

private:
    mutable std::mutex lookup;
    std::vector<std::unique_ptr<Set>> sets;
    quint64 uses = 0;
};

#pragma once

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QSize>

#include <memory>
#include <vector>

// Tiles scaled to the side of a cell, kept so that the picture of the cells
// can be composited pixel by pixel instead of with one painter call per
// tile. Each tile is drawn once with QPainter, by the very call that draws
// it onto the canvas, into a clear square at the origin. Drawing without
// smoothing picks the same source pixels wherever the square lies, and
// QPainter blends a premultiplied pixel over an opaque one as
// compositeOver() does, so compositing a scaled tile gives exactly the
// pixels of drawing it directly.
class ScaledTiles
{
public:
    // How much of its square a scaled tile covers: compositing skips a clear
    // tile, copies an opaque one and goes along the runs of a mixed one.
    enum class Coverage : quint8 { Clear, Opaque, Mixed };

    // Pixels of one row of a tile next to each other, all opaque, which are
    // copied, or all partly transparent, which are blended.
    struct Run
    {
        quint16 start = 0;
        quint16 length = 0;
        bool opaque = false;
    };

    // One scaled tile: rows of premultiplied pixels, `stride` pixels apart,
    // and, in a mixed tile, the runs of each row: those of row y are
    // runs[rowRuns[y]] up to runs[rowRuns[y + 1]].
    struct Tile
    {
        const QRgb* pixels = nullptr;
        qsizetype stride = 0;
        Coverage coverage = Coverage::Clear;
        std::vector<Run> runs;
        std::vector<quint32> rowRuns;
    };

    // The tiles of one image, cut into pieces of `tileSize` numbered row by
    // row, each drawn into a square of `side` pixels. A tile that is not in
    // the image is clear, as drawing it directly draws nothing.
    class Set
    {
    public:
        Set(const QPixmap& image, const QSize& tileSize, int side);

        const Tile& tile(qint32 index)
        {
            if (index < 0 || index >= tileCount)
                return clearTile;
            if (!made[size_t(index)])
                make(index);
            return tiles[size_t(index)];
        }

        qint64 key() const { return imageKey; }
        QSize tileSize() const { return pieceSize; }
        int side() const { return squareSide; }
        qint64 bytes() const { return scaledBytes; }

    private:
        void make(qint32 index);

        QPixmap image;
        // The image's own pixels, read in place where a tile needs no
        // scaling; null when they are in another format.
        QImage pixels;
        qint64 imageKey;
        QSize pieceSize;
        int squareSide;
        int columns;
        qint32 tileCount;
        std::vector<char> made;
        std::vector<Tile> tiles;
        std::vector<std::vector<QRgb>> scaled;
        qint64 scaledBytes = 0;
        Tile clearTile;
    };

    // The set of `image` cut into `tileSize` pieces at `side`, made empty
    // the first time it is asked for.
    Set& set(const QPixmap& image, const QSize& tileSize, int side);

    // Forgets the sets of other images and of sides other than `side` and
    // `side + 1`, the two squares a cell's tiles are drawn into.
    void retain(int side, const QList<qint64>& imageKeys);

    qint64 bytes() const;

private:
    std::vector<std::unique_ptr<Set>> sets;
};

#pragma once

#include "mapfile/fileio.h"

#include <QPixmap>
#include <QString>

#include <vector>

// The tile-set images the palette holds, decoded once per file and kept
// within a memory budget that counts what each really holds: its pixels as
// decoded (a GIF's whole screen), and nothing else (no text, no file
// bytes). Loading the same file again, unchanged on disk, gives the image
// already held; an image that would take the held ones past the budget is
// refused from its header before it is decoded, its decoder is stopped
// before it allocates more than the budget has left, and an image larger
// decoded than its header said is dropped.
class TileSetImageStore
{
public:
    static constexpr qint64 DefaultBudgetBytes = qint64(512) * 1024 * 1024;

    explicit TileSetImageStore(qint64 budgetBytes = DefaultBudgetBytes);

    // The image of the file at `path`, cut into tiles of `tileSize` pixels;
    // a null pixmap and the cause (kind of file, not an image, damaged, too
    // large, smaller than one tile, over the budget, memory) on failure.
    QPixmap load(const QString& path, int tileSize, QString* reason);
    // The image the map's cells are drawn from (see drawnTileSetImage()) for
    // an image that load() gave, counted in the same budget: made once per
    // file, and refused, with the cause, before it is made when its copy
    // would take the images held past the budget. A null pixmap on failure.
    QPixmap drawnImage(const QPixmap& loaded, QString* reason);
    // Forgets every image: the palette holds none any more.
    void clear();
    qint64 bytesHeld() const { return heldBytes; }

private:
    QString overBudget(const QSize& size, qint64 bytes) const;

    struct Held
    {
        FileIdentity identity;
        QPixmap image;
        QPixmap drawn;
    };

    std::vector<Held> held;
    qint64 heldBytes = 0;
    qint64 budget;
};

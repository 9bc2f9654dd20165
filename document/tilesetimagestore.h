#pragma once

#include "mapfile/fileio.h"

#include <QPixmap>
#include <QString>

#include <vector>

// The decoded tile-set images of a document, decoded once per file and kept
// within a memory budget that counts what each really holds: its pixels as
// decoded (a GIF's whole screen), the copy that cells are drawn from, and
// nothing else (no text, no file bytes). An image is let go once nothing
// but the store holds it: neither the map nor a step of the undo history. Loading the same file again, unchanged on disk, gives the image
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
    // The image the map's cells are drawn from (see drawnTileSetImage()),
    // counted in the same budget: made once per image, and refused, with the
    // cause, before it is made when its copy would take the images held past
    // the budget. An image load() did not give is held from now on. A null
    // pixmap on failure.
    QPixmap drawnImage(const QPixmap& loaded, QString* reason);
    // Lets go of the images that nobody else holds; load() does it first.
    void release();
    qint64 bytesHeld() const { return heldBytes; }

private:
    QString overBudget(const QSize& size, qint64 bytes) const;
    // Bytes the pixmap's pixels take.
    static qint64 imageBytes(const QPixmap& image);

    struct Held
    {
        FileIdentity identity; // none for an image no file gave
        QPixmap image;
        QPixmap drawn; // null until made, and when drawn as loaded
        bool drawnAsLoaded = false;
    };

    std::vector<Held> held;
    qint64 heldBytes = 0;
    qint64 budget;
};

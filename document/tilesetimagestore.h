#pragma once

#include "mapfile/fileio.h"

#include <QPixmap>
#include <QString>

#include <vector>

// The decoded tile-set images of a document, each file decoded once and kept
// within a memory budget: loading the same file again, unchanged on disk,
// gives the image already held, and an image that would take the held ones
// past the budget is refused from its header, before it is decoded. The
// store also makes, once per image, the copy that cells are drawn from. An
// image is let go once nothing but the store holds it: neither the map nor
// a step of the undo history.
class TileSetImageStore
{
public:
    static constexpr qint64 DefaultBudgetBytes = qint64(512) * 1024 * 1024;

    explicit TileSetImageStore(qint64 budgetBytes = DefaultBudgetBytes);

    // The image of the file at `path`, cut into tiles of `tileSize` pixels;
    // a null pixmap and the cause (kind of file, not an image, damaged, too
    // large, smaller than one tile, over the budget, memory) on failure.
    QPixmap load(const QString& path, int tileSize, QString* reason);
    // The copy of `image` that cells are drawn from (see drawnTileSetImage);
    // null when there is no memory for it.
    QPixmap drawnImage(const QPixmap& image);
    // Lets go of the images that nobody else holds; load() does it first.
    void release();
    qint64 bytesHeld() const { return heldBytes; }

private:
    struct Held
    {
        FileIdentity identity; // none for an image not loaded from a file
        QPixmap image;
        QPixmap drawn;
    };

    std::vector<Held> held;
    qint64 heldBytes = 0;
    qint64 budget;
};

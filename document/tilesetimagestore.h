#pragma once

#include "mapfile/fileio.h"

#include <QPixmap>
#include <QString>

#include <vector>

// The tile-set images the palette holds, decoded once per file and kept
// within a memory budget: loading the same file again, unchanged on disk,
// gives the image already held, and an image that would take the held ones
// past the budget is refused from its header, before it is decoded.
class TileSetImageStore
{
public:
    static constexpr qint64 DefaultBudgetBytes = qint64(512) * 1024 * 1024;

    explicit TileSetImageStore(qint64 budgetBytes = DefaultBudgetBytes);

    // The image of the file at `path`, cut into tiles of `tileSize` pixels;
    // a null pixmap and the cause (kind of file, not an image, damaged, too
    // large, smaller than one tile, over the budget, memory) on failure.
    QPixmap load(const QString& path, int tileSize, QString* reason);
    // Forgets every image: the palette holds none any more.
    void clear();
    qint64 bytesHeld() const { return heldBytes; }

private:
    struct Held
    {
        FileIdentity identity;
        QPixmap image;
    };

    std::vector<Held> held;
    qint64 heldBytes = 0;
    qint64 budget;
};

#include "document/tilesetimagestore.h"

#include "mapfile/tilesetfile.h"
#include "render/tilesetimage.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("TileSetWidget", text);
}

QPixmap refuse(QString* reason, const QString& cause)
{
    *reason = cause;
    return QPixmap();
}

} // namespace

TileSetImageStore::TileSetImageStore(qint64 budgetBytes)
    : budget(budgetBytes)
{
}

QPixmap TileSetImageStore::load(const QString& path, int tileSize, QString* reason)
{
    // A file held already, unchanged, is not read again.
    ReadableFile opened;
    if (!opened.open(path, reason))
        return QPixmap();
    for (const Held& image : held) {
        if (image.identity == opened.identity())
            return image.image;
    }
    TileSetFile file;
    if (!readTileSetFile(opened, &file, reason))
        return QPixmap();
    if (file.size.width() < tileSize || file.size.height() < tileSize) {
        *reason = tr("the image is %1 x %2 pixels, smaller than one %3 x %3 tile")
                      .arg(file.size.width())
                      .arg(file.size.height())
                      .arg(tileSize);
        return QPixmap();
    }
    if (heldBytes + file.decodedBytes > budget)
        return refuse(reason, overBudget(file.size, file.decodedBytes));
    bool tooLarge = false;
    QImage decoded = decodeTileSetFile(&file, budget - heldBytes, &tooLarge, reason);
    file.bytes = QByteArray();
    if (tooLarge)
        return refuse(reason, overBudget(file.size, file.decodedBytes));
    if (decoded.isNull())
        return QPixmap();
    const QPixmap image = QPixmap::fromImage(std::move(decoded));
    if (image.isNull())
        return refuse(reason, tr("there is not enough memory to show it"));
    // What the pixmap really holds, which converting may have changed.
    const qint64 bytes = qint64(image.width()) * image.height() * image.depth() / 8;
    if (heldBytes + bytes > budget)
        return refuse(reason, overBudget(image.size(), bytes));
    held.push_back({ opened.identity(), image, QPixmap() });
    heldBytes += bytes;
    return image;
}

QPixmap TileSetImageStore::drawnImage(const QPixmap& loaded, QString* reason)
{
    const auto entry = std::find_if(held.begin(), held.end(), [&loaded](const Held& image) {
        return image.image.cacheKey() == loaded.cacheKey();
    });
    if (entry == held.end())
        return refuse(reason, tr("the image is not loaded"));
    if (!entry->drawn.isNull())
        return entry->drawn;
    const qint64 bytes = drawnImageCopyBytes(loaded);
    if (heldBytes + bytes > budget)
        return refuse(reason,
                      tr("drawing it takes a copy of %1 MB; with the %2 MB of tile sets already loaded "
                         "that is more than the %3 MB all tile sets may take together")
                          .arg(megabytesRoundedUp(bytes))
                          .arg(megabytesRoundedUp(heldBytes))
                          .arg(megabytesRoundedUp(budget)));
    entry->drawn = drawnTileSetImage(loaded);
    if (entry->drawn.isNull())
        return refuse(reason, tr("there is not enough memory to draw it"));
    heldBytes += bytes;
    return entry->drawn;
}

QString TileSetImageStore::overBudget(const QSize& size, qint64 bytes) const
{
    return tr("the image is %1 x %2 pixels, %3 MB decoded; with the %4 MB of tile sets already loaded "
              "that is more than the %5 MB all tile sets may take together")
        .arg(size.width())
        .arg(size.height())
        .arg(megabytesRoundedUp(bytes))
        .arg(megabytesRoundedUp(heldBytes))
        .arg(megabytesRoundedUp(budget));
}

void TileSetImageStore::clear()
{
    held.clear();
    heldBytes = 0;
}

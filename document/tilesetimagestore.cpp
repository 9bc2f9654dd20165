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
    release();
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
    const qint64 bytes = imageBytes(image);
    if (heldBytes + bytes > budget)
        return refuse(reason, overBudget(image.size(), bytes));
    held.push_back({ opened.identity(), image, QPixmap() });
    heldBytes += bytes;
    return image;
}

QPixmap TileSetImageStore::drawnImage(const QPixmap& loaded, QString* reason)
{
    auto entry = std::find_if(held.begin(), held.end(), [&loaded](const Held& image) {
        return image.image.cacheKey() == loaded.cacheKey();
    });
    // An image that no file gave (made by the program itself) is held from
    // now on like one that a file gave.
    if (entry == held.end()) {
        const qint64 bytes = imageBytes(loaded);
        if (heldBytes + bytes > budget)
            return refuse(reason, overBudget(loaded.size(), bytes));
        held.push_back({ FileIdentity(), loaded, QPixmap() });
        heldBytes += bytes;
        entry = held.end() - 1;
    }
    if (entry->drawnAsLoaded)
        return entry->image;
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
    const QPixmap drawn = drawnTileSetImage(loaded);
    if (drawn.isNull())
        return refuse(reason, tr("there is not enough memory to draw it"));
    // Art drawn as it was loaded is held once, so that release() sees when
    // nobody else holds it.
    if (drawn.cacheKey() == loaded.cacheKey())
        entry->drawnAsLoaded = true;
    else
        entry->drawn = drawn;
    heldBytes += bytes;
    return drawn;
}

qint64 TileSetImageStore::imageBytes(const QPixmap& image)
{
    return qint64(image.width()) * image.height() * image.depth() / 8;
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

void TileSetImageStore::release()
{
    const auto unused = [](const Held& entry) {
        return entry.image.isDetached() && (entry.drawn.isNull() || entry.drawn.isDetached());
    };
    held.erase(std::remove_if(held.begin(), held.end(), unused), held.end());
    heldBytes = 0;
    for (const Held& entry : held)
        heldBytes += imageBytes(entry.image) + (entry.drawn.isNull() ? 0 : drawnImageCopyBytes(entry.image));
}

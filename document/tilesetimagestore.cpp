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
    // The palette holds the image with four bytes a pixel.
    const qint64 bytes = qint64(file.size.width()) * file.size.height() * 4;
    if (heldBytes + bytes > budget) {
        *reason = tr("the image is %1 x %2 pixels, %3 MB decoded; with the %4 MB of tile sets already loaded "
                     "that is more than the %5 MB all tile sets may take together")
                      .arg(file.size.width())
                      .arg(file.size.height())
                      .arg(megabytesRoundedUp(bytes))
                      .arg(megabytesRoundedUp(heldBytes))
                      .arg(megabytesRoundedUp(budget));
        return QPixmap();
    }
    QImage decoded = decodeTileSetFile(file, reason);
    file.bytes.clear();
    if (decoded.isNull())
        return QPixmap();
    const QPixmap image = QPixmap::fromImage(std::move(decoded));
    if (image.isNull()) {
        *reason = tr("there is not enough memory to show it");
        return QPixmap();
    }
    held.push_back({ opened.identity(), image, QPixmap() });
    heldBytes += bytes;
    return image;
}

QPixmap TileSetImageStore::drawnImage(const QPixmap& image)
{
    // A file named forty times is made ready to draw once.
    auto found = std::find_if(held.begin(), held.end(),
                              [&image](const Held& entry) { return entry.image.cacheKey() == image.cacheKey(); });
    if (found == held.end()) {
        held.push_back({ FileIdentity(), image, QPixmap() });
        heldBytes += qint64(image.width()) * image.height() * 4;
        found = held.end() - 1;
    }
    if (found->drawn.isNull())
        found->drawn = drawnTileSetImage(found->image);
    return found->drawn;
}

void TileSetImageStore::release()
{
    const auto unused = [](const Held& entry) {
        return entry.image.isDetached() && (entry.drawn.isNull() || entry.drawn.isDetached());
    };
    held.erase(std::remove_if(held.begin(), held.end(), unused), held.end());
    heldBytes = 0;
    for (const Held& entry : held)
        heldBytes += qint64(entry.image.width()) * entry.image.height() * 4;
}

#include "document/tilesetimagestore.h"

#include "mapfile/tilesetfile.h"

#include <QCoreApplication>

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
    held.push_back({ opened.identity(), image });
    heldBytes += bytes;
    return image;
}

void TileSetImageStore::clear()
{
    held.clear();
    heldBytes = 0;
}

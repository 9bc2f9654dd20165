#include "mapfile/tilesetfile.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>

#include <algorithm>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("TileSetWidget", text);
}

} // namespace

qint64 megabytesRoundedUp(qint64 bytes)
{
    return (bytes + 1024 * 1024 - 1) / (1024 * 1024);
}

bool readTileSetFile(ReadableFile& opened, TileSetFile* file, QString* reason)
{
    if (!opened.readAll(&file->bytes, reason, MaxTileSetFileBytes))
        return false;

    QBuffer buffer(&file->bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    file->size = reader.size();
    if (!reader.canRead() || !file->size.isValid()) {
        *reason = tr("it is not an image that can be read (PNG, JPEG or BMP)");
        return false;
    }
    // The decoder refuses, with no more than a line on standard error, an
    // image above its allocation limit; its own format tells how large.
    const QImage::Format format = reader.imageFormat();
    const int bitsPerPixel = format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel();
    file->decodedBytes = qint64(file->size.width()) * file->size.height() * std::max(bitsPerPixel, 32) / 8;
    const qint64 limit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    if (limit > 0 && file->decodedBytes > limit) {
        *reason = tr("the image is %1 x %2 pixels, %3 MB decoded, more than the %4 MB an image may take")
                      .arg(file->size.width())
                      .arg(file->size.height())
                      .arg(megabytesRoundedUp(file->decodedBytes))
                      .arg(QImageReader::allocationLimit());
        return false;
    }
    return true;
}

QImage decodeTileSetFile(const TileSetFile& file, QString* reason)
{
    QByteArray bytes = file.bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image = reader.read();
    if (!image.isNull())
        return image;
    // A decoder that cannot allocate its image reports bad data; an image of
    // that size that cannot be made either tells the two apart.
    if (QImage(file.size, QImage::Format_ARGB32).isNull())
        *reason = tr("there is not enough memory to decode it");
    else if (reader.error() == QImageReader::InvalidDataError)
        *reason = tr("the image data is damaged or cut short");
    else if (reader.error() == QImageReader::UnsupportedFormatError)
        *reason = tr("it is not an image that can be read (PNG, JPEG or BMP)");
    else
        *reason = reader.errorString();
    return QImage();
}

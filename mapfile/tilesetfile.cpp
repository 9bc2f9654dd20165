#include "mapfile/tilesetfile.h"

#include "mapfile/imagebytes.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>

#include <algorithm>
#include <climits>

namespace {

constexpr qint64 Megabyte = 1024 * 1024;

QString tr(const char* text)
{
    return QCoreApplication::translate("TileSetWidget", text);
}

// Bytes an image of this size takes in this format, as it is held: at
// least four a pixel, since the palette holds 32-bit pixels.
qint64 heldBytes(const QSize& size, int bitsPerPixel)
{
    return qint64(size.width()) * size.height() * std::max(bitsPerPixel, 32) / 8;
}

// Qt's allocation limit, which every decoder of Qt's own checks before it
// allocates its image, lowered for one decode. It is the process's: no
// other image may be decoded meanwhile.
class AllocationLimit
{
public:
    explicit AllocationLimit(qint64 maxBytes)
        : previous(QImageReader::allocationLimit())
    {
        // 0 would mean no limit at all.
        const int megabytes = int(std::clamp<qint64>(maxBytes / Megabyte, 1, INT_MAX));
        lowered = previous == 0 || megabytes < previous;
        if (lowered)
            QImageReader::setAllocationLimit(megabytes);
    }
    ~AllocationLimit() { QImageReader::setAllocationLimit(previous); }
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;

    bool isLowered() const { return lowered; }

private:
    int previous;
    bool lowered = false;
};

} // namespace

qint64 megabytesRoundedUp(qint64 bytes)
{
    return (bytes + Megabyte - 1) / Megabyte;
}

bool readTileSetFile(ReadableFile& opened, TileSetFile* file, QString* reason)
{
    if (!opened.readAll(&file->bytes, reason, MaxTileSetFileBytes))
        return false;
    int scans = 0;
    stripImageMetadata(&file->bytes, &scans);

    QBuffer buffer(&file->bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    file->size = reader.size();
    if (!reader.canRead() || !file->size.isValid()) {
        *reason = tr("it is not an image that can be read (PNG, JPEG or BMP)");
        return false;
    }
    if (scans > MaxJpegScans) {
        *reason = tr("the JPEG image has %1 scans, more than the %2 an image needs; decoding it would take "
                     "very long")
                      .arg(scans)
                      .arg(MaxJpegScans);
        return false;
    }
    const QSize screen = gifScreenSize(file->bytes, file->size);
    if (screen.isValid())
        file->size = screen;
    // The decoder refuses, with no more than a line on standard error, an
    // image above its allocation limit; its own format tells how large.
    const QImage::Format format = reader.imageFormat();
    file->decodedBytes = heldBytes(
        file->size, format == QImage::Format_Invalid ? 32 : QImage::toPixelFormat(format).bitsPerPixel());
    const qint64 limit = qint64(QImageReader::allocationLimit()) * Megabyte;
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

QImage decodeTileSetFile(TileSetFile* file, qint64 maxBytes, bool* tooLarge, QString* reason)
{
    *tooLarge = false;
    QBuffer buffer(&file->bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QImage image;
    bool lowered = false;
    {
        const AllocationLimit limit(maxBytes);
        lowered = limit.isLowered();
        image = reader.read();
    }
    if (!image.isNull()) {
        const qint64 bytes = heldBytes(image.size(), image.depth());
        if (bytes <= maxBytes)
            return image;
        file->size = image.size();
        file->decodedBytes = bytes;
        *tooLarge = true;
        return QImage();
    }
    // A decoder stopped by the allocation limit reports bad data. When the
    // limit was the caller's, the header must have understated the size.
    if (lowered && reader.error() == QImageReader::InvalidDataError)
        *reason = tr("it cannot be decoded within %1 MB: its data is damaged, or it is larger than its "
                     "header says")
                      .arg(std::max<qint64>(maxBytes / Megabyte, 1));
    // A decoder that cannot allocate its image reports bad data too; an
    // image of that size that cannot be made either tells the two apart.
    else if (QImage(file->size, QImage::Format_ARGB32).isNull())
        *reason = tr("there is not enough memory to decode it");
    else if (reader.error() == QImageReader::InvalidDataError)
        *reason = tr("the image data is damaged or cut short");
    else if (reader.error() == QImageReader::UnsupportedFormatError)
        *reason = tr("it is not an image that can be read (PNG, JPEG or BMP)");
    else
        *reason = reader.errorString();
    return QImage();
}

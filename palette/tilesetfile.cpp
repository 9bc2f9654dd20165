#include "palette/tilesetfile.h"

#include "mapfile/fileio.h"

#include <QCoreApplication>
#include <QImageReader>

QImage readTileSetImage(const QString& file, QString* reason)
{
    if (!isRegularFile(file, reason))
        return QImage();
    QImageReader reader(file);
    const QSize claimed = reader.size();
    const qint64 limitBytes = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    // A pixmap holds four bytes per pixel whatever the file's own depth.
    if (claimed.isValid() && limitBytes > 0 && qint64(claimed.width()) * claimed.height() * 4 > limitBytes) {
        *reason = QCoreApplication::translate("TileSetWidget", "the image is %1 x %2 pixels, more than %3 MB")
                      .arg(claimed.width())
                      .arg(claimed.height())
                      .arg(QImageReader::allocationLimit());
        return QImage();
    }
    QImage image = reader.read();
    if (image.isNull())
        *reason = reader.errorString();
    return image;
}

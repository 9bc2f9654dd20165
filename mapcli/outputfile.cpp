#include "mapcli/outputfile.h"

#include "mapfile/fileio.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTextStream>

bool writeOutputFile(const QString& path, const QByteArray& bytes, QTextStream& err)
{
    QString reason;
    if (saveFileAtomically(path, bytes, &reason))
        return true;
    err << QStringLiteral("%1: cannot be written: %2\n").arg(path, reason);
    return false;
}

QByteArray pngFileBytes(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    // PNG is lossless whatever the quality, which Qt turns into zlib's
    // effort: 50 is level 4, the last of zlib's fast levels. On a picture of
    // noisy textures it halves the time of the default level for a file
    // about a tenth larger.
    writer.setQuality(50);
    if (!writer.write(image))
        return QByteArray();
    return bytes;
}

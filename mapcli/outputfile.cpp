#include "mapcli/outputfile.h"

#include "mapcli/mapsource.h"
#include "mapfile/fileio.h"

#include <QBuffer>
#include <QFileInfo>
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

bool isInputFile(const QString& path, const MapSource& source, QTextStream& err)
{
    // A file that does not exist yet cannot be one that was read.
    const QString target = QFileInfo(path).canonicalFilePath();
    if (target.isEmpty())
        return false;
    QString input;
    if (target == QFileInfo(source.path()).canonicalFilePath())
        input = QStringLiteral("the map file");
    for (const QString& name : source.data().tileSetNames) {
        if (input.isEmpty() && target == QFileInfo(name).canonicalFilePath())
            input = QStringLiteral("the image of the map's tile set \"%1\"").arg(name);
    }
    if (input.isEmpty())
        return false;
    err << QStringLiteral("%1: cannot be written: it is %2\n").arg(path, input);
    return true;
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

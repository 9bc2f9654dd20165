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
    if (!writer.write(image))
        return QByteArray();
    return bytes;
}

#include "mapcli/outputfile.h"

#include "mapcli/mapsource.h"
#include "mapfile/fileio.h"

#include <QFileInfo>
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

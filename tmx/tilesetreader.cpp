#include "tmx/tilesetreader.h"

#include <QFileInfo>
#include <QXmlStreamReader>

namespace {

QString absolutePath(const XmlFile& file, const QString& source)
{
    return QDir::cleanPath(QFileInfo(file.folder.filePath(source)).absoluteFilePath());
}

// Tiled writes the transparent colour as "ff00ff", older files as "#ff00ff".
QColor transparentColour(const QString& trans)
{
    if (trans.isEmpty())
        return QColor();
    return QColor(trans.startsWith(QLatin1Char('#')) ? trans : QLatin1Char('#') + trans);
}

// The <image> element that `xml` has just entered: the path of its file.
bool readImage(QXmlStreamReader& xml, const XmlFile& file, const QString& tileSetName, QString* path,
               QColor* trans, QString* error)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    const QString source = attributes.value(QLatin1String("source")).toString();
    if (source.isEmpty()) {
        *error = file.problem(
            xml,
            QStringLiteral("tile set \"%1\" holds an image inside the file; only image files are read")
                .arg(tileSetName));
        return false;
    }
    *path = absolutePath(file, source);
    if (trans)
        *trans = transparentColour(attributes.value(QLatin1String("trans")).toString());
    xml.skipCurrentElement();
    return true;
}

// A <tile> of a tile set: the image of a collection's tile, if it has one.
bool readTile(QXmlStreamReader& xml, const XmlFile& file, TiledTileSet* set, QString* error)
{
    int id = 0;
    QString message;
    if (!intAttribute(xml.attributes(), QStringLiteral("id"), 0, 0, int(TmxTileIdMask), &id, &message)) {
        *error = file.problem(xml, message);
        return false;
    }
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("image")) {
            xml.skipCurrentElement();
            continue;
        }
        QString path;
        if (!readImage(xml, file, set->name, &path, nullptr, error))
            return false;
        set->tileImages[quint32(id)] = path;
    }
    return true;
}

bool readTileSetContent(QXmlStreamReader& xml, const XmlFile& file, TiledTileSet* set, QString* error)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    set->name = attributes.value(QLatin1String("name")).toString();
    int width = 0, height = 0;
    QString message;
    if (!intAttribute(attributes, QStringLiteral("tilewidth"), 0, 0, MaxTmxTilePixels, &width, &message)
        || !intAttribute(attributes, QStringLiteral("tileheight"), 0, 0, MaxTmxTilePixels, &height, &message)
        || !intAttribute(attributes, QStringLiteral("margin"), 0, 0, 1 << 20, &set->margin, &message)
        || !intAttribute(attributes, QStringLiteral("spacing"), 0, 0, 1 << 20, &set->spacing, &message)) {
        *error = file.problem(xml, QStringLiteral("tile set \"%1\": %2").arg(set->name, message));
        return false;
    }
    set->tileSize = QSize(width, height);
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("image")) {
            if (!readImage(xml, file, set->name, &set->imagePath, &set->transparentColour, error))
                return false;
        } else if (xml.name() == QLatin1String("tileoffset")) {
            int x = 0, y = 0;
            if (!intAttribute(xml.attributes(), QStringLiteral("x"), 0, -MaxTmxTilePixels, MaxTmxTilePixels,
                              &x, &message)
                || !intAttribute(xml.attributes(), QStringLiteral("y"), 0, -MaxTmxTilePixels,
                                 MaxTmxTilePixels, &y, &message)) {
                *error = file.problem(xml, QStringLiteral("tile set \"%1\": %2").arg(set->name, message));
                return false;
            }
            set->drawOffset = QPoint(x, y);
            xml.skipCurrentElement();
        } else if (xml.name() == QLatin1String("tile")) {
            if (!readTile(xml, file, set, error))
                return false;
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!set->imagePath.isEmpty() && set->tileSize.isEmpty()) {
        *error = file.problem(xml,
                              QStringLiteral("tile set \"%1\" has an image but no tile size").arg(set->name));
        return false;
    }
    return true;
}

} // namespace

bool readTileSet(QXmlStreamReader& xml, const XmlFile& file, TiledTileSet* set, QStringList* files,
                 QString* error)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    int firstGid = 1;
    QString message;
    if (!intAttribute(attributes, QStringLiteral("firstgid"), 1, 1, int(TmxTileIdMask), &firstGid,
                      &message)) {
        *error = file.problem(xml, message);
        return false;
    }
    set->firstGid = quint32(firstGid);
    const QString source = attributes.value(QLatin1String("source")).toString();
    if (source.isEmpty())
        return readTileSetContent(xml, file, set, error);

    xml.skipCurrentElement();
    const XmlFile tsx = file.named(source);
    QByteArray bytes;
    const QString path = file.folder.filePath(source);
    if (!readXmlFile(tsx, path, &bytes, error))
        return false;
    *files << QFileInfo(path).absoluteFilePath();
    QXmlStreamReader tsxXml(bytes);
    if (!tsxXml.readNextStartElement() || tsxXml.name() != QLatin1String("tileset")) {
        *error = tsxXml.hasError()
            ? tsx.malformed(tsxXml)
            : QStringLiteral("%1: is not a TSX tile set: it holds no <tileset>").arg(tsx.shown);
        return false;
    }
    if (!readTileSetContent(tsxXml, tsx, set, error) || tsxXml.hasError()) {
        if (tsxXml.hasError())
            *error = tsx.malformed(tsxXml);
        return false;
    }
    return true;
}

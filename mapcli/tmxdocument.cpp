#include "mapcli/tmxdocument.h"

#include <QXmlStreamWriter>

namespace {

QString number(qint64 value)
{
    return QString::number(value);
}

// Rows of ids separated by commas, one row per line, as TMX readers expect
// CSV data.
QString csvRows(const std::vector<quint32>& gids, int width)
{
    QString text = QStringLiteral("\n");
    text.reserve(qsizetype(gids.size()) * 4 + 2);
    for (size_t i = 0; i < gids.size(); ++i) {
        text += QString::number(gids[i]);
        if (i + 1 < gids.size())
            text += (i + 1) % size_t(width) == 0 ? QStringLiteral(",\n") : QStringLiteral(",");
    }
    text += QLatin1Char('\n');
    return text;
}

void writeTileSet(QXmlStreamWriter& xml, const TmxTileSet& tileSet, int tileSize)
{
    xml.writeStartElement(QStringLiteral("tileset"));
    xml.writeAttribute(QStringLiteral("firstgid"), number(tileSet.firstGid));
    xml.writeAttribute(QStringLiteral("name"), tileSet.name);
    xml.writeAttribute(QStringLiteral("tilewidth"), number(tileSize));
    xml.writeAttribute(QStringLiteral("tileheight"), number(tileSize));
    xml.writeAttribute(QStringLiteral("tilecount"), number(tileSet.tileCount(tileSize)));
    xml.writeAttribute(QStringLiteral("columns"), number(tileSet.columns(tileSize)));
    xml.writeStartElement(QStringLiteral("image"));
    xml.writeAttribute(QStringLiteral("source"), tileSet.imageSource);
    if (tileSet.transparentColour.isValid())
        xml.writeAttribute(QStringLiteral("trans"), tileSet.transparentColour.name().mid(1));
    xml.writeAttribute(QStringLiteral("width"), number(tileSet.imageSize.width()));
    xml.writeAttribute(QStringLiteral("height"), number(tileSet.imageSize.height()));
    xml.writeEndElement();
    xml.writeEndElement();
}

} // namespace

QString characterXmlCannotHold(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        const bool held
            = c == 0x9 || c == 0xa || c == 0xd || (c >= 0x20 && c < 0xd800) || (c >= 0xe000 && c < 0xfffe);
        if (!held)
            return QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    }
    return QString();
}

QByteArray tmxDocument(const TmxMap& map)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("map"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.8"));
    xml.writeAttribute(QStringLiteral("orientation"), QStringLiteral("orthogonal"));
    xml.writeAttribute(QStringLiteral("renderorder"), QStringLiteral("right-down"));
    xml.writeAttribute(QStringLiteral("width"), number(map.size.width()));
    xml.writeAttribute(QStringLiteral("height"), number(map.size.height()));
    xml.writeAttribute(QStringLiteral("tilewidth"), number(map.tileSize));
    xml.writeAttribute(QStringLiteral("tileheight"), number(map.tileSize));
    xml.writeAttribute(QStringLiteral("infinite"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("nextlayerid"), number(map.layers.size() + 1));
    xml.writeAttribute(QStringLiteral("nextobjectid"), QStringLiteral("1"));

    for (const TmxTileSet& tileSet : map.tileSets)
        writeTileSet(xml, tileSet, map.tileSize);
    for (int i = 0; i < map.layers.size(); ++i) {
        const TmxLayer& layer = map.layers[i];
        xml.writeStartElement(QStringLiteral("layer"));
        xml.writeAttribute(QStringLiteral("id"), number(i + 1));
        xml.writeAttribute(QStringLiteral("name"), layer.name);
        xml.writeAttribute(QStringLiteral("width"), number(map.size.width()));
        xml.writeAttribute(QStringLiteral("height"), number(map.size.height()));
        xml.writeStartElement(QStringLiteral("data"));
        xml.writeAttribute(QStringLiteral("encoding"), QStringLiteral("csv"));
        xml.writeCharacters(csvRows(layer.gids, map.size.width()));
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

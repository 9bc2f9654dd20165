#include "tmx/tmxreader.h"

#include "tmx/layerdata.h"
#include "tmx/tilesetreader.h"
#include "tmx/xmlfile.h"

#include <QFileInfo>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

namespace {

// Far beyond any map, small enough that no sum of them overflows.
constexpr int MaxCellCoordinate = 1 << 28;

// What a group passes on to the layers inside it.
struct Group
{
    bool visible = true;
    double opacity = 1;
    QPoint offset;
};

struct Chunk
{
    QRect cells;
    std::vector<quint32> gids;
};

// A tile layer while the file is read: an infinite map's layer keeps its
// chunks until the map's bounding box is known.
struct ReadLayer
{
    TiledLayer layer;
    std::vector<Chunk> chunks;
};

class TmxReader
{
public:
    TmxReader(const XmlFile& file, const QByteArray& bytes)
        : file(file)
        , xml(bytes)
    {
    }

    bool read(TiledMap* map, QString* error);

private:
    bool readMap();
    bool readLayers(const Group& parent);
    bool readGroup(const Group& parent, Group* group);
    bool readTileLayer(const Group& parent);
    bool readData(ReadLayer* read);
    // Decodes the <data> or <chunk> element that the reader has just
    // entered into the ids of `cells`.
    bool readCells(const TmxDataFormat& format, const QRect& cells, const QString& layerName,
                   std::vector<quint32>* gids);
    bool placeChunks();
    bool fail(const QString& message);

    const XmlFile file;
    QXmlStreamReader xml;
    TiledMap* map = nullptr;
    std::vector<ReadLayer> layers;
    qint64 cellsRead = 0;
    QString problem;
};

QString sizeText(const QSize& size)
{
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

bool TmxReader::fail(const QString& message)
{
    // A problem found in the middle of a broken element is the broken XML.
    problem = xml.hasError() ? file.malformed(xml) : file.problem(xml, message);
    return false;
}

bool TmxReader::read(TiledMap* result, QString* error)
{
    TiledMap read;
    map = &read;
    if (!readMap() || !placeChunks()) {
        *error = problem;
        return false;
    }
    std::stable_sort(read.tileSets.begin(), read.tileSets.end(),
                     [](const TiledTileSet& a, const TiledTileSet& b) { return a.firstGid < b.firstGid; });
    for (ReadLayer& layer : layers)
        read.tileLayers.push_back(std::move(layer.layer));
    *result = std::move(read);
    return true;
}

bool TmxReader::readMap()
{
    if (!xml.readNextStartElement())
        return fail(QStringLiteral("the file holds no XML element"));
    if (xml.name() != QLatin1String("map"))
        return fail(QStringLiteral("this is not a TMX map: its first element is <%1>, not <map>")
                        .arg(xml.name().toString()));
    const QXmlStreamAttributes attributes = xml.attributes();
    map->orientation = attributes.hasAttribute(QLatin1String("orientation"))
        ? attributes.value(QLatin1String("orientation")).toString()
        : QStringLiteral("orthogonal");
    if (map->orientation != QLatin1String("orthogonal"))
        return fail(
            QStringLiteral("the map is %1; only orthogonal maps can be imported").arg(map->orientation));
    map->infinite = attributes.value(QLatin1String("infinite")) == QLatin1String("1");
    int width = 0, height = 0, tileWidth = 0, tileHeight = 0;
    QString message;
    if (!intAttribute(attributes, QStringLiteral("width"), 0, 0, MaxCellCoordinate, &width, &message)
        || !intAttribute(attributes, QStringLiteral("height"), 0, 0, MaxCellCoordinate, &height, &message)
        || !intAttribute(attributes, QStringLiteral("tilewidth"), 0, 1, MaxTmxTilePixels, &tileWidth,
                         &message)
        || !intAttribute(attributes, QStringLiteral("tileheight"), 0, 1, MaxTmxTilePixels, &tileHeight,
                         &message))
        return fail(message);
    map->tileSize = QSize(tileWidth, tileHeight);
    if (!map->infinite) {
        map->cells = QRect(0, 0, width, height);
        if (width > MaxTmxMapSide || height > MaxTmxMapSide)
            return fail(QStringLiteral("the map is %1 cells, more than the %2 a side that a map may have")
                            .arg(sizeText(map->cells.size()))
                            .arg(MaxTmxMapSide));
        if (map->cells.isEmpty())
            return fail(QStringLiteral("the map has no cells (%1)").arg(sizeText(map->cells.size())));
    }
    if (!readLayers(Group()))
        return false;
    if (xml.hasError()) {
        problem = file.malformed(xml);
        return false;
    }
    return true;
}

bool TmxReader::readLayers(const Group& parent)
{
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        if (name == QLatin1String("tileset")) {
            TiledTileSet tileSet;
            if (!readTileSet(xml, file, &tileSet, &map->files, &problem)) {
                if (xml.hasError())
                    problem = file.malformed(xml);
                return false;
            }
            map->tileSets.push_back(std::move(tileSet));
        } else if (name == QLatin1String("layer")) {
            if (!readTileLayer(parent))
                return false;
        } else if (name == QLatin1String("group")) {
            Group group;
            if (!readGroup(parent, &group) || !readLayers(group))
                return false;
        } else {
            if (name == QLatin1String("objectgroup"))
                ++map->objectLayers;
            else if (name == QLatin1String("imagelayer"))
                ++map->imageLayers;
            xml.skipCurrentElement();
        }
    }
    return true;
}

bool TmxReader::readGroup(const Group& parent, Group* group)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    bool isNumber = true;
    double opacity = 1;
    if (attributes.hasAttribute(QLatin1String("opacity")))
        opacity = attributes.value(QLatin1String("opacity")).toDouble(&isNumber);
    if (!isNumber || !std::isfinite(opacity))
        return fail(QStringLiteral("opacity=\"%1\" is not a number")
                        .arg(attributes.value(QLatin1String("opacity")).toString()));
    double offset[2] = { 0, 0 };
    const char* const offsetNames[2] = { "offsetx", "offsety" };
    for (int axis = 0; axis < 2; ++axis) {
        const QLatin1String attribute(offsetNames[axis]);
        if (!attributes.hasAttribute(attribute))
            continue;
        offset[axis] = attributes.value(attribute).toDouble(&isNumber);
        if (!isNumber || std::abs(offset[axis]) > MaxCellCoordinate)
            return fail(QStringLiteral("%1=\"%2\" is not a number of pixels")
                            .arg(attribute, attributes.value(attribute).toString()));
    }
    group->visible = parent.visible && attributes.value(QLatin1String("visible")) != QLatin1String("0");
    group->opacity = parent.opacity * std::clamp(opacity, 0.0, 1.0);
    group->offset = parent.offset + QPoint(int(std::lround(offset[0])), int(std::lround(offset[1])));
    return true;
}

bool TmxReader::readTileLayer(const Group& parent)
{
    ReadLayer read;
    TiledLayer& layer = read.layer;
    const QXmlStreamAttributes attributes = xml.attributes();
    layer.name = attributes.value(QLatin1String("name")).toString();
    Group group;
    if (!readGroup(parent, &group))
        return false;
    layer.visible = group.visible;
    layer.opacity = group.opacity;
    layer.offset = group.offset;
    if (!map->infinite) {
        int x = 0, y = 0, width = 0, height = 0;
        QString message;
        if (!intAttribute(attributes, QStringLiteral("x"), 0, -MaxCellCoordinate, MaxCellCoordinate, &x,
                          &message)
            || !intAttribute(attributes, QStringLiteral("y"), 0, -MaxCellCoordinate, MaxCellCoordinate, &y,
                             &message)
            || !intAttribute(attributes, QStringLiteral("width"), map->cells.width(), 0, MaxCellCoordinate,
                             &width, &message)
            || !intAttribute(attributes, QStringLiteral("height"), map->cells.height(), 0, MaxCellCoordinate,
                             &height, &message))
            return fail(QStringLiteral("layer \"%1\": %2").arg(layer.name, message));
        layer.cells = QRect(x, y, width, height);
    }
    // A hidden layer is left out, so its data is not even decoded; the pass
    // layer gives its flags also while it is hidden, as it usually is while
    // the art is being drawn.
    const bool wanted = layer.visible || isPassLayerName(layer.name);
    while (xml.readNextStartElement()) {
        if (wanted && xml.name() == QLatin1String("data")) {
            if (!readData(&read))
                return false;
        } else {
            xml.skipCurrentElement();
        }
    }
    if (!wanted)
        layer.cells = QRect();
    layers.push_back(std::move(read));
    return true;
}

bool TmxReader::readData(ReadLayer* read)
{
    TiledLayer& layer = read->layer;
    const QXmlStreamAttributes attributes = xml.attributes();
    TmxDataFormat format;
    QString reason;
    if (!tmxDataFormat(attributes.value(QLatin1String("encoding")).toString(),
                       attributes.value(QLatin1String("compression")).toString(), &format, &reason))
        return fail(QStringLiteral("layer \"%1\": %2").arg(layer.name, reason));
    if (!map->infinite)
        return readCells(format, layer.cells, layer.name, &layer.gids);

    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("chunk")) {
            xml.skipCurrentElement();
            continue;
        }
        const QXmlStreamAttributes chunkAttributes = xml.attributes();
        int x = 0, y = 0, width = 0, height = 0;
        QString message;
        if (!intAttribute(chunkAttributes, QStringLiteral("x"), 0, -MaxCellCoordinate, MaxCellCoordinate, &x,
                          &message)
            || !intAttribute(chunkAttributes, QStringLiteral("y"), 0, -MaxCellCoordinate, MaxCellCoordinate,
                             &y, &message)
            || !intAttribute(chunkAttributes, QStringLiteral("width"), 0, 0, MaxCellCoordinate, &width,
                             &message)
            || !intAttribute(chunkAttributes, QStringLiteral("height"), 0, 0, MaxCellCoordinate, &height,
                             &message))
            return fail(QStringLiteral("a chunk of layer \"%1\": %2").arg(layer.name, message));
        Chunk chunk { QRect(x, y, width, height), {} };
        if (!readCells(format, chunk.cells, layer.name, &chunk.gids))
            return false;
        read->chunks.push_back(std::move(chunk));
    }
    return true;
}

bool TmxReader::readCells(const TmxDataFormat& format, const QRect& cells, const QString& layerName,
                          std::vector<quint32>* gids)
{
    const qint64 count = qint64(cells.width()) * cells.height();
    if (count > MaxTmxLayerCells - cellsRead)
        return fail(QStringLiteral("the layers hold more than %1 cells in all").arg(MaxTmxLayerCells));
    cellsRead += count;
    const QString what = xml.name() == QLatin1String("chunk")
        ? QStringLiteral("a %1 chunk of layer \"%2\"").arg(sizeText(cells.size()), layerName)
        : QStringLiteral("layer \"%1\" (%2 cells)").arg(layerName, sizeText(cells.size()));

    if (format.encoding != TmxDataFormat::TileElements) {
        const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
        QString reason;
        if (!decodeLayerData(text, format, count, gids, &reason))
            return fail(QStringLiteral("the data of %1 is wrong: %2").arg(what, reason));
        return true;
    }
    // Cells without a <tile> of their own stay empty.
    gids->assign(size_t(count), 0);
    qint64 next = 0;
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("tile")) {
            if (next == count)
                return fail(QStringLiteral("%1 has more <tile> elements than cells").arg(what));
            bool isNumber = true;
            const QStringView gid = xml.attributes().value(QLatin1String("gid"));
            (*gids)[size_t(next++)] = gid.isEmpty() ? 0 : gid.toUInt(&isNumber);
            if (!isNumber)
                return fail(QStringLiteral("%1: gid=\"%2\" is not a tile id").arg(what, gid.toString()));
        }
        xml.skipCurrentElement();
    }
    return true;
}

bool TmxReader::placeChunks()
{
    if (!map->infinite)
        return true;
    QRect bounds;
    for (const ReadLayer& read : layers) {
        for (const Chunk& chunk : read.chunks)
            bounds |= chunk.cells;
    }
    if (bounds.width() > MaxTmxMapSide || bounds.height() > MaxTmxMapSide)
        return fail(QStringLiteral("the chunks of the infinite map span %1 cells, more than the %2 a side "
                                   "that a map may have")
                        .arg(sizeText(bounds.size()))
                        .arg(MaxTmxMapSide));
    if (bounds.isEmpty())
        return fail(QStringLiteral("the infinite map has no cells: its layers hold no chunks"));
    map->cells = bounds;
    for (ReadLayer& read : layers) {
        TiledLayer& layer = read.layer;
        layer.cells = QRect();
        for (const Chunk& chunk : read.chunks)
            layer.cells |= chunk.cells;
        layer.gids.assign(size_t(layer.cells.width()) * size_t(layer.cells.height()), 0);
        for (const Chunk& chunk : read.chunks) {
            for (int y = 0; y < chunk.cells.height(); ++y) {
                const auto from = chunk.gids.begin() + qint64(y) * chunk.cells.width();
                const qint64 row = chunk.cells.top() + y - layer.cells.top();
                std::copy(from, from + chunk.cells.width(),
                          layer.gids.begin() + row * layer.cells.width() + chunk.cells.left()
                              - layer.cells.left());
            }
        }
        read.chunks.clear();
    }
    return true;
}

} // namespace

bool readTiledMap(const QString& path, TiledMap* map, QString* error)
{
    const XmlFile file { path, QFileInfo(path).absoluteDir() };
    QByteArray bytes;
    if (!readXmlFile(file, path, &bytes, error) || !TmxReader(file, bytes).read(map, error))
        return false;
    map->files.prepend(QFileInfo(path).absoluteFilePath());
    return true;
}

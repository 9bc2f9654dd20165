#include "mapcli/mapsource.h"

#include "render/tilesetimage.h"
#include "model/worldmap.h"
#include "mapfile/fileio.h"
#include "mapfile/mapconversion.h"
#include "mapfile/mapparser.h"
#include "mapfile/tilesetfile.h"

#include <QHash>
#include <QRegularExpression>

namespace {

// A problem found before the lines are known: the token (counted from 0)
// that it is about.
struct PendingProblem
{
    qint64 token;
    QString message;
};

// The line on which each of the given tokens of a map file begins; `tokens`
// ascending. Tokens are split as the parser splits them.
std::vector<int> tokenLines(const QByteArray& bytes, const std::vector<qint64>& tokens)
{
    std::vector<int> lines;
    lines.reserve(tokens.size());
    int line = 1;
    qint64 token = -1;
    bool inToken = false;
    const char* const end = bytes.constEnd();
    for (const char* at = bytes.constBegin(); at != end && lines.size() < tokens.size(); ++at) {
        if (isMapFileSeparator(*at)) {
            inToken = false;
            line += endsMapFileLine(at, end);
        } else if (!inToken) {
            inToken = true;
            ++token;
            if (token == tokens[lines.size()])
                lines.push_back(line);
        }
    }
    lines.resize(tokens.size(), line);
    return lines;
}

// Tokens before the first cell record: the count, the names, "W H".
qint64 recordToken(const MapData& data, Layer layer, qint64 record)
{
    const qint64 cells = qint64(data.width) * data.height;
    return 3 + data.tileSetNames.size() + 3 * (layer == Layer::Top ? record : cells + record);
}

QString cellsUsing(qint64 count)
{
    if (count == 0)
        return QStringLiteral("no cell uses it");
    return count == 1 ? QStringLiteral("1 cell uses it") : QStringLiteral("%1 cells use it").arg(count);
}

} // namespace

QString MapProblem::text(const QString& file) const
{
    if (line > 0)
        return QStringLiteral("%1:%2: %3").arg(file, QString::number(line), message);
    return QStringLiteral("%1: %2").arg(file, message);
}

QStringList MapSource::problemLines() const
{
    QStringList lines;
    for (const MapProblem& problem : found)
        lines << problem.text(filePath);
    return lines;
}

bool MapSource::load(const QString& path)
{
    filePath = path;
    mapData = MapData();
    found.clear();
    images.clear();
    firstOfName.clear();

    QByteArray bytes;
    QString reason;
    if (!readRegularFile(path, &bytes, &reason)) {
        found << MapProblem { 0, QStringLiteral("cannot be read: %1").arg(reason) };
        return false;
    }
    if (!parseMapFile(bytes, &mapData, &reason)) {
        // The parser names the line as "line N: ..."; the report puts it
        // after the file name instead.
        static const QRegularExpression lineAndText(QStringLiteral("^line (\\d+): (.*)$"));
        const QRegularExpressionMatch match = lineAndText.match(reason);
        if (match.hasMatch())
            found << MapProblem { match.captured(1).toInt(), match.captured(2) };
        else
            found << MapProblem { 0, reason };
        return false;
    }
    findProblems(bytes, loadTileSets());
    return true;
}

int MapSource::tileCount(int k) const
{
    const QPixmap& image = images[size_t(k)];
    return image.isNull() ? 0 : (image.width() / TileSize) * (image.height() / TileSize);
}

bool MapSource::drawnTile(const CellRecord& record, int* set) const
{
    if (record.setIndex < 0 || record.tileIndex < 0)
        return false;
    const int k = firstOfName[size_t(record.setIndex)];
    if (record.tileIndex >= tileCount(k))
        return false;
    *set = k;
    return true;
}

std::vector<QString> MapSource::loadTileSets()
{
    const QStringList& names = mapData.tileSetNames;
    QHash<QString, int> firstByName;
    for (int k = 0; k < names.size(); ++k) {
        firstOfName.push_back(firstByName.value(names[k], k));
        firstByName.insert(names[k], firstOfName.back());
    }
    std::vector<QString> loadFailures(size_t(names.size()));
    images.resize(size_t(names.size()));
    for (int k = 0; k < names.size(); ++k) {
        if (firstOfName[size_t(k)] != k) {
            images[size_t(k)] = images[size_t(firstOfName[size_t(k)])];
            continue;
        }
        QString reason;
        images[size_t(k)] = store.load(names[k], TileSize, &reason);
        if (images[size_t(k)].isNull())
            loadFailures[size_t(k)] = QStringLiteral("cannot be loaded: %1").arg(reason);
    }
    return loadFailures;
}

void MapSource::findProblems(const QByteArray& bytes, const std::vector<QString>& loadFailures)
{
    const QStringList& names = mapData.tileSetNames;
    // Cells of a set that draws nothing are counted under the set; other
    // cells are reported one by one, up to a limit.
    std::vector<qint64> cellsOfSet(size_t(names.size()), 0);
    std::vector<PendingProblem> cellProblems;
    qint64 unlisted = 0;
    for (Layer layer : { Layer::Top, Layer::Bottom }) {
        const std::vector<CellRecord>& records = layer == Layer::Top ? mapData.top : mapData.bottom;
        const QString layerName = layer == Layer::Top ? QStringLiteral("top") : QStringLiteral("bottom");
        for (size_t r = 0; r < records.size(); ++r) {
            const CellRecord& record = records[r];
            if (record.tileIndex < 0)
                continue;
            QString message;
            if (record.setIndex < 0) {
                message
                    = QStringLiteral("tile %1 has no tile set (set index -1), so the cell is read as empty")
                          .arg(record.tileIndex);
            } else {
                const int k = firstOfName[size_t(record.setIndex)];
                if (!loadFailures[size_t(k)].isEmpty()) {
                    ++cellsOfSet[size_t(k)];
                    continue;
                }
                if (record.tileIndex < tileCount(k))
                    continue;
                message = QStringLiteral("tile %1 lies beyond the %2 whole tiles of tile set \"%3\"")
                              .arg(record.tileIndex)
                              .arg(tileCount(k))
                              .arg(names[k]);
            }
            if (cellProblems.size() == size_t(MaxCellProblems)) {
                ++unlisted;
                continue;
            }
            const QString cell = QStringLiteral("%1 layer, cell (%2, %3): ")
                                     .arg(layerName)
                                     .arg(qint64(r) % mapData.width)
                                     .arg(qint64(r) / mapData.width);
            cellProblems.push_back({ recordToken(mapData, layer, qint64(r)), cell + message });
        }
    }

    // Tile-set names come before the cells, so the tokens stay in order.
    std::vector<PendingProblem> pending;
    for (int k = 0; k < names.size(); ++k) {
        if (!loadFailures[size_t(k)].isEmpty())
            pending.push_back(
                { 1 + k,
                  QStringLiteral("tile set \"%1\" %2; %3")
                      .arg(names[k], loadFailures[size_t(k)], cellsUsing(cellsOfSet[size_t(k)])) });
    }
    pending.insert(pending.end(), cellProblems.begin(), cellProblems.end());
    std::vector<qint64> tokens;
    for (const PendingProblem& problem : pending)
        tokens.push_back(problem.token);
    const std::vector<int> lines = tokenLines(bytes, tokens);
    for (size_t i = 0; i < pending.size(); ++i)
        found << MapProblem { lines[i], pending[i].message };
    if (unlisted > 0)
        found << MapProblem {
            0, QStringLiteral("%1 more cells with problems like these are not listed").arg(unlisted)
        };
}

void MapSource::fillWorldMap(WorldMap* map)
{
    MapContents contents = mapContentsOf(mapData, *map, filePath);
    // Each listed set that loaded, as the editor's import lists it; the
    // images it draws from count in the tile sets' budget.
    for (int k = 0; k < mapData.tileSetNames.size(); ++k) {
        const QPixmap& image = images[size_t(k)];
        if (image.isNull())
            continue;
        QString reason;
        const QPixmap drawn = store.drawnImage(image, &reason);
        if (drawn.isNull())
            found << MapProblem { 0, QStringLiteral("tile set \"%1\" cannot be drawn, so its cells are left empty: %2")
                                         .arg(mapData.tileSetNames[k], reason) };
        else
            contents.tileSets.push_back({ mapData.tileSetNames[k], image, drawn, QString() });
    }
    map->swapContents(&contents);
}

#include "document/mapdocument.h"

#include "mapfile/fileio.h"
#include "mapfile/mapconversion.h"
#include "mapfile/mapdata.h"
#include "mapfile/mapparser.h"
#include "mapfile/mapwriter.h"
#include "tmx/tmximport.h"

#include <QFileInfo>

#include <atomic>
#include <memory>

MapDocument::MapDocument(QObject* parent)
    : QObject(parent)
    , worldMap(DefaultSide, DefaultSide)
{
    connect(&undoHistory, &UndoHistory::changed, this, &MapDocument::updateModified);
    connect(&worldMap, &WorldMap::tileSetsChanged, this, &MapDocument::updateModified);
    connect(&worldMap, &WorldMap::fileNameChanged, this, &MapDocument::updateModified);
    undoHistory.markSaved(savedKey());
}

MapDocument::~MapDocument()
{
    // The history's steps refer to the map, which goes first.
    disconnect(&undoHistory, nullptr, this, nullptr);
    disconnect(&worldMap, nullptr, this, nullptr);
}

bool MapDocument::importMap(const QString& file, QString* error, QList<FileProblem>* unloadedSets)
{
    // The whole file is read and checked before anything changes, so a bad
    // file never costs the user the map being edited.
    MapData data;
    QString report;
    if (isTmxFile(file)) {
        if (!convertTmxMap(file, &data, &report, error))
            return false;
    } else {
        QByteArray bytes;
        if (!readRegularFile(file, &bytes, error) || !parseMapFile(bytes, &data, error))
            return false;
    }
    MapContents contents = mapContentsOf(data, worldMap, file);
    for (const QString& name : std::as_const(data.tileSetNames)) {
        QString reason;
        const QPixmap image = images.load(name, TileSize, &reason);
        if (image.isNull() && reason.isEmpty()) {
            error->clear();
            return false;
        }
        const QPixmap drawn = image.isNull() ? QPixmap() : images.drawnImage(image, &reason);
        if (drawn.isNull()) {
            *unloadedSets << FileProblem { QStringLiteral("%1: ") + reason, QFileInfo(name).absoluteFilePath() };
            continue;
        }
        contents.tileSets.push_back({ name, image, drawn });
    }
    data = MapData();
    setBrush(Tile());
    undoHistory.push(new ReplaceMapStep(worldMap, tr("Import Set"), std::move(contents)));
    if (report.isEmpty())
        undoHistory.markSaved(savedKey());
    updateModified();
    if (!report.isEmpty())
        emit imported(report);
    return true;
}

bool MapDocument::convertTmxMap(const QString& file, MapData* data, QString* report, QString* error)
{
    // Converting decodes the TMX map's images: it runs as their decoding
    // does, and owns what it touches in case it is cancelled.
    struct Conversion
    {
        std::atomic<bool> abandoned { false };
        TmxImport tmx;
        QString error;
        bool converted = false;
    };
    const auto conversion = std::make_shared<Conversion>();
    const QString imagePath = tmxTileImagePath(file);
    const bool ran = images.decoding().run(file, [conversion, file, imagePath] {
        if (!conversion->abandoned)
            conversion->converted
                = importTmxFile(file, imagePath, &conversion->tmx, &conversion->error, &conversion->abandoned);
    });
    if (!ran) {
        conversion->abandoned = true;
        error->clear();
        return false;
    }
    *error = conversion->error;
    if (!conversion->converted || !writeTmxTileImage(conversion->tmx, error))
        return false;
    *data = std::move(conversion->tmx.map);
    *report = conversion->tmx.report;
    return true;
}

bool MapDocument::isTmxFile(const QString& file)
{
    return file.endsWith(QLatin1String(".tmx"), Qt::CaseInsensitive)
        || file.endsWith(QLatin1String(".tmx.gz"), Qt::CaseInsensitive);
}

bool MapDocument::save(const QString& file, QString* error)
{
    // Cells of a tile set whose image could not be loaded keep its name; it is
    // written after the loaded sets so that saving such a map loses nothing.
    const MapData data = mapDataOf(worldMap);
    if (data.tileSetNames.size() > MaxTileSets) {
        const QStringList missing = worldMap.missingTileSets();
        *error = tr("The map uses %1 tile sets, %2 of them not loaded; a map file holds at most %3. "
                    "Not loaded:\n%4")
                     .arg(data.tileSetNames.size())
                     .arg(missing.size())
                     .arg(MaxTileSets)
                     .arg(missing.join(QLatin1Char('\n')));
        return false;
    }
    // Never write a file that would read back as another set.
    *error = mapDataProblem(data);
    if (!error->isEmpty())
        return false;
    if (!saveFileAtomically(file, formatMapFile(data), error))
        return false;
    worldMap.setFileName(file);
    undoHistory.markSaved(savedKey());
    updateModified();
    return true;
}

QPixmap MapDocument::readTileSet(const QString& file, FileProblem* problem)
{
    if (worldMap.tileSetCount() >= MaxTileSets) {
        *problem = { tr("At most %1 tile sets can be loaded.").arg(MaxTileSets), QString() };
        return QPixmap();
    }
    // A map file names its tile sets by these strings; catching a bad one
    // here spares the user a map that cannot be saved.
    const QString nameProblem = tileSetNameProblem(file);
    if (!nameProblem.isEmpty()) {
        *problem = { tr("The name \"%1\" cannot be stored in a map file: ") + nameProblem + QLatin1Char('.'), file };
        return QPixmap();
    }
    QString reason;
    QPixmap image = images.load(file, TileSize, &reason);
    // The copy cells draw from is made now, so that a set is never listed
    // without it.
    if (!image.isNull() && images.drawnImage(image, &reason).isNull())
        image = QPixmap();
    if (image.isNull())
        *problem = reason.isEmpty()
            ? FileProblem()
            : FileProblem { QStringLiteral("%1: ") + reason, QFileInfo(file).absoluteFilePath() };
    return image;
}

bool MapDocument::addTileSet(const QString& name, const QPixmap& image)
{
    QString reason;
    const QPixmap drawn = image.isNull() ? QPixmap() : images.drawnImage(image, &reason);
    if (drawn.isNull())
        return false;
    worldMap.addTileSet(name, drawn, image);
    return true;
}

bool MapDocument::isNewestTileSet(const QString& name, const QPixmap& image) const
{
    const int newest = worldMap.tileSetCount() - 1;
    return newest >= 0 && worldMap.tileSetName(newest) == name
        && worldMap.tileSetImage(newest)->cacheKey() == image.cacheKey();
}

void MapDocument::clearTileSets()
{
    worldMap.clearTileSets();
}

void MapDocument::showTileSet(int k)
{
    worldMap.setShownTileSet(k);
}

void MapDocument::setBrush(const Tile& tile)
{
    brushTile = tile;
    emit brushChanged();
}

void MapDocument::keepEdit(const QString& text, CellPatch done, int stroke)
{
    if (done.isEmpty() || undoHistory.extendStroke(stroke, done))
        return;
    undoHistory.push(new CellStep(worldMap, text, std::move(done), stroke));
}

void MapDocument::setStartPoint(const QPoint& cell)
{
    if (cell != worldMap.startPoint())
        undoHistory.push(new StartPointStep(worldMap, tr("Set Starting Point"), cell));
}

void MapDocument::resize(const QSize& size)
{
    if (size.width() < 1 || size.height() < 1 || size == worldMap.size())
        return;
    undoHistory.push(new ResizeStep(worldMap, tr("Resize"), size));
}

void MapDocument::newSet()
{
    setBrush(Tile());
    if (worldMap.isNew())
        return;
    MapContents empty;
    empty.size = worldMap.size();
    undoHistory.push(new ReplaceMapStep(worldMap, tr("New Set"), std::move(empty)));
    undoHistory.markSaved(savedKey());
    updateModified();
}

QString MapDocument::savedKey() const
{
    return worldMap.fileName() + QLatin1Char('\n') + worldMap.tileSetNames().join(QLatin1Char('\n'));
}

void MapDocument::updateModified()
{
    const bool now = !undoHistory.matchesSaved(savedKey());
    if (now == modified)
        return;
    modified = now;
    emit modifiedChanged(modified);
}

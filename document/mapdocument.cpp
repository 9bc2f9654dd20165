#include "document/mapdocument.h"

#include "mapfile/fileio.h"
#include "mapfile/mapconversion.h"
#include "mapfile/mapdata.h"
#include "mapfile/mapparser.h"
#include "mapfile/mapwriter.h"
#include "tmx/tmximport.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopedValueRollback>
#include <QTimer>

#include <atomic>
#include <memory>

namespace {

// The file of the set `name` of a map in `mapFolder`: relative to the
// current folder, or when it is not there, relative to the map's folder.
QString tileSetPath(const QString& name, const QString& mapFolder)
{
    const QFileInfo here(name);
    if (here.isAbsolute() || here.exists())
        return here.absoluteFilePath();
    const QFileInfo beside(QDir(mapFolder), name);
    return beside.exists() ? beside.absoluteFilePath() : here.absoluteFilePath();
}

} // namespace

MapDocument::MapDocument(QObject* parent)
    : QObject(parent)
    , worldMap(DefaultSide, DefaultSide)
    , seed(QRandomGenerator::global()->generate())
{
    connect(&undoHistory, &UndoHistory::changed, this, &MapDocument::updateModified);
    connect(&worldMap, &WorldMap::tileSetsChanged, this, &MapDocument::updateModified);
    connect(&worldMap, &WorldMap::tileSetsChanged, this, &MapDocument::watchTileSets);
    connect(&watcher, &TileSetWatcher::fileChanged, this, &MapDocument::reloadTileSetFile);
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
    const QString mapFolder = QFileInfo(file).absolutePath();
    for (const QString& name : std::as_const(data.tileSetNames)) {
        const QString path = tileSetPath(name, mapFolder);
        QString reason;
        LoadedTileSet set = loadImages(name, path, &reason);
        if (set.image.isNull() && reason.isEmpty()) {
            error->clear();
            return false;
        }
        if (set.drawn.isNull()) {
            *unloadedSets << FileProblem { QStringLiteral("%1: ") + reason, path };
            continue;
        }
        contents.tileSets.push_back(std::move(set));
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
    const QScopedValueRollback<bool> busy(reading, true);
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
    // The copy cells draw from is made now, so that a set is never listed
    // without it.
    QString reason;
    const QString path = QFileInfo(file).absoluteFilePath();
    const LoadedTileSet set = loadImages(file, path, &reason);
    if (set.drawn.isNull())
        *problem = reason.isEmpty() ? FileProblem() : FileProblem { QStringLiteral("%1: ") + reason, path };
    return set.drawn.isNull() ? QPixmap() : set.image;
}

LoadedTileSet MapDocument::loadImages(const QString& name, const QString& path, QString* reason)
{
    const QScopedValueRollback<bool> busy(reading, true);
    const QPixmap image = images.load(path, TileSize, reason);
    const QPixmap drawn = image.isNull() ? QPixmap() : images.drawnImage(image, reason);
    return { name, image, drawn, path };
}

bool MapDocument::addTileSet(const QString& name, const QPixmap& image)
{
    QString reason;
    const QPixmap drawn = image.isNull() ? QPixmap() : images.drawnImage(image, &reason);
    if (drawn.isNull())
        return false;
    worldMap.addTileSet(name, drawn, image, QFileInfo(name).absoluteFilePath());
    return true;
}

bool MapDocument::locateTileSet(const QString& name, const QString& file, FileProblem* problem)
{
    const QString newName = QDir().relativeFilePath(file);
    if (worldMap.tileSetIndex(name) >= 0) {
        *problem = { tr("The tile set %1 is loaded already."), name };
        return false;
    }
    if (newName != name && (worldMap.tileSetIndex(newName) >= 0 || worldMap.usesTileSet(newName))) {
        *problem = { tr("The map has a tile set %1 already."), newName };
        return false;
    }
    const QPixmap image = readTileSet(newName, problem);
    if (image.isNull())
        return false;
    worldMap.renameTileSet(name, newName);
    addTileSet(newName, image);
    showTileSet(worldMap.tileSetCount() - 1);
    return true;
}

void MapDocument::reloadTileSetFile(const QString& file)
{
    QString name;
    int before = -1;
    for (int k = 0; k < worldMap.tileSetCount() && before < 0; ++k) {
        if (worldMap.tileSetFile(k) == file) {
            name = worldMap.tileSetName(k);
            before = worldMap.tileSetImage(k)->width() / TileSize;
        }
    }
    if (before < 0)
        return;
    // The window keeps handling events while images decode; a file that
    // changes meanwhile is read once that load or import is over.
    if (reading) {
        QTimer::singleShot(TileSetWatcher::QuietMilliseconds, this, [this, file] { reloadTileSetFile(file); });
        return;
    }
    QString reason;
    const LoadedTileSet set = loadImages(name, file, &reason);
    // A reload the user cancelled keeps the image shown.
    if (set.image.isNull() && reason.isEmpty())
        return;
    if (set.drawn.isNull()) {
        emit reloadFailed(tr("%1 could not be read again: ") + reason, file);
        return;
    }
    worldMap.replaceTileSetImages(set);
    undoHistory.replaceTileSetImages(set);
    const int columns = set.image.width() / TileSize;
    if (columns != before && worldMap.usesTileSet(name))
        emit tileSetWidthChanged(name, before, columns);
}

void MapDocument::renumberTileSet(const QString& name, int fromColumns)
{
    const int k = worldMap.tileSetIndex(name);
    if (k < 0 || fromColumns <= 0)
        return;
    const int columns = worldMap.tileSetImage(k)->width() / TileSize;
    editCells(tr("Renumber Tiles"),
              [&](WorldMap& map, CellPatch* done) { map.renumberTiles(name, fromColumns, columns, done); });
    if (brushTile.tileSetFile == name && brushTile.tileIndex >= 0) {
        Tile brush;
        const qint32 index = WorldMap::renumberedTile(brushTile.tileIndex, fromColumns, columns);
        if (index >= 0) {
            brush = brushTile;
            brush.tileIndex = index;
        }
        setBrush(brush);
    }
}

void MapDocument::watchTileSets()
{
    QStringList files;
    for (int k = 0; k < worldMap.tileSetCount(); ++k) {
        if (!worldMap.tileSetFile(k).isEmpty())
            files << worldMap.tileSetFile(k);
    }
    watcher.watch(files);
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
    CellGrid cells;
    if (!tile.isEmpty()) {
        cells = CellGrid(1, 1);
        cells.at(0, 0) = worldMap.cellOf(tile);
    }
    stamp = TileStamp(std::move(cells));
    emit brushChanged();
}

void MapDocument::setBrushTiles(int k, const QRect& tiles)
{
    const QPixmap* image = worldMap.tileSetImage(k);
    const int columns = image->width() / TileSize;
    const QRect area = tiles & QRect(0, 0, columns, image->height() / TileSize);
    if (area.isEmpty())
        return;
    const quint32 slot = worldMap.slotOf(worldMap.tileSetName(k));
    CellGrid cells(area.width(), area.height());
    for (int x = 0; x < area.width(); ++x) {
        for (int y = 0; y < area.height(); ++y)
            cells.at(x, y) = Cell(slot, area.left() + x + columns * (area.top() + y), false);
    }
    brushTile = worldMap.tile(cells.at(0, 0));
    stamp = TileStamp(std::move(cells));
    emit brushChanged();
}

void MapDocument::setBrushCells(Layer layer, const QRect& area)
{
    const QRect inside = area & worldMap.cells(layer).bounds();
    if (inside.isEmpty())
        return;
    CellGrid cells(inside.width(), inside.height());
    for (int x = 0; x < inside.width(); ++x) {
        for (int y = 0; y < inside.height(); ++y) {
            const Cell& cell = worldMap.cells(layer).at(inside.left() + x, inside.top() + y);
            // Painting with a tile of the map is painting with that tile,
            // as the palette hands it out.
            cells.at(x, y) = cell.isEmpty() ? Cell() : Cell(cell.tileSet, cell.tileIndex, false);
        }
    }
    stamp = TileStamp(std::move(cells));
    brushTile = stamp.isEmpty() ? Tile() : worldMap.tile(stamp.tileCells().front());
    emit brushChanged();
}

TileStamp MapDocument::paintedStamp() const
{
    CellGrid cells = stamp.cells();
    for (int x = 0; x < cells.width(); ++x) {
        for (int y = 0; y < cells.height(); ++y) {
            if (worldMap.slotImage(cells.at(x, y).tileSet).isNull())
                cells.at(x, y) = Cell();
        }
    }
    return TileStamp(std::move(cells));
}

QStringList MapDocument::brushTileSets() const
{
    QStringList names;
    for (const Cell& cell : stamp.tileCells()) {
        if (!names.contains(worldMap.slotName(cell.tileSet)))
            names << worldMap.slotName(cell.tileSet);
    }
    return names;
}

void MapDocument::setRandomBrush(bool on)
{
    if (random == on)
        return;
    random = on;
    emit brushChanged();
}

void MapDocument::setBrushSeed(quint32 next)
{
    seed = next;
    emit brushChanged();
}

std::optional<quint32> MapDocument::takeBrushSeed()
{
    if (!random)
        return std::nullopt;
    const quint32 taken = seed;
    // The next gesture's choice differs from this one's.
    seed = seed * 1664525u + 1013904223u;
    emit brushChanged();
    return taken;
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

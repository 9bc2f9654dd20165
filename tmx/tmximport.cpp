#include "tmx/tmximport.h"

#include "mapfile/fileio.h"
#include "mapfile/mapwriter.h"
#include "render/pngencoder.h"
#include "render/canvasgeometry.h"
#include "tmx/convertedimage.h"
#include "tmx/importreport.h"
#include "tmx/layerroles.h"
#include "tmx/ownsets.h"
#include "tmx/tileartwork.h"
#include "tmx/tilestacks.h"
#include "tmx/tmxreader.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The map of a converted import: its one tile set, the converted image.
MapData convertedMap(const TiledMap& map, const TileStacks& stacks, const QString& tileImagePath)
{
    MapData data;
    if (!stacks.stacks.empty())
        data.tileSetNames << tileImagePath;
    data.width = map.cells.width();
    data.height = map.cells.height();
    const auto records = [](const std::vector<int>& shown) {
        std::vector<CellRecord> cells(shown.size());
        for (size_t i = 0; i < shown.size(); ++i) {
            if (shown[i] >= 0)
                cells[i] = { 0, shown[i], false };
        }
        return cells;
    };
    data.bottom = records(stacks.bottom);
    data.top = records(stacks.top);
    return data;
}

} // namespace

QString tmxTileImagePath(const QString& path)
{
    const QFileInfo file(path);
    QString name = file.fileName();
    if (name.endsWith(QLatin1String(".gz"), Qt::CaseInsensitive))
        name.chop(3);
    const QString base = QFileInfo(name).completeBaseName();
    return QDir::current().relativeFilePath(file.absoluteDir().filePath(base + QStringLiteral(".tiles.png")));
}

bool importTmxFile(const QString& tmxPath, const QString& tileImagePath, TmxImport* import, QString* error,
                   const std::atomic<bool>* abandoned)
{
    TiledMap map;
    if (!readTiledMap(tmxPath, &map, error))
        return false;
    const LayerRoles roles = layerRoles(map);
    TileArtwork art(map.tileSets, abandoned);
    const std::vector<int> drawnSets = drawnTileSets(map, roles, art);
    QString problem;
    if (!art.load(drawnSets, &problem)) {
        *error = QStringLiteral("%1: %2").arg(tmxPath, problem);
        return false;
    }
    if (abandoned && *abandoned)
        return false;

    const int tileSide = CanvasGeometry().tileSize;
    TmxImport result;
    ImportSummary summary;
    if (mapWithOwnTileSets(map, roles.drawn, roles.pass, drawnSets, art, tileSide, &result.map)) {
        summary.keptTileSets = int(result.map.tileSetNames.size());
    } else {
        const TileStacks stacks = collectTileStacks(map, roles.drawn, art);
        const QString nameProblem = tileSetNameProblem(tileImagePath);
        if (!stacks.stacks.empty() && !nameProblem.isEmpty()) {
            *error
                = QStringLiteral("%1: the converted tile-set image cannot be named \"%2\" in a map file: %3")
                      .arg(tmxPath, tileImagePath, nameProblem);
            return false;
        }
        if (!drawConvertedImage(stacks, art, map.tileSize, tileSide, &result.tileImage, &problem)) {
            *error = QStringLiteral("%1: %2").arg(tmxPath, problem);
            return false;
        }
        result.map = convertedMap(map, stacks, tileImagePath);
        if (!result.tileImage.isNull())
            result.tileImagePath = tileImagePath;
        summary.convertedTiles = int(stacks.stacks.size());
        summary.imageName = QFileInfo(tileImagePath).fileName();
    }
    addPassFlags(map, roles, &result.map);

    summary.tmxName = QFileInfo(tmxPath).fileName();
    summary.size = map.cells.size();
    summary.tileLayers = int(roles.drawn.size() + roles.pass.size());
    summary.objectLayers = map.objectLayers;
    summary.imageLayers = map.imageLayers;
    summary.hiddenLayers = roles.hidden;
    summary.unknownTiles = unknownTiles(map, roles, art);
    result.report = importReport(summary);
    result.readFiles = map.files + art.files();
    *import = std::move(result);
    return true;
}

bool writeTmxTileImage(const TmxImport& import, QString* error)
{
    if (import.tileImage.isNull())
        return true;
    const QString& path = import.tileImagePath;
    const QString target = QFileInfo(path).canonicalFilePath();
    for (const QString& read : import.readFiles) {
        if (!target.isEmpty() && QFileInfo(read).canonicalFilePath() == target) {
            *error = QStringLiteral("%1: cannot be written: the import reads it").arg(path);
            return false;
        }
    }
    const QByteArray png = pngFileBytes(import.tileImage);
    QString reason;
    if (png.isEmpty())
        reason = QStringLiteral("the image could not be encoded as PNG");
    else if (saveFileAtomically(path, png, &reason))
        return true;
    *error = QStringLiteral("%1: cannot be written: %2").arg(path, reason);
    return false;
}

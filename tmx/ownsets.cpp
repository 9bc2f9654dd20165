#include "tmx/ownsets.h"

#include "mapfile/mapwriter.h"
#include "tmx/tileartwork.h"

#include <QDir>

#include <algorithm>

namespace {

bool drawsAlike(const TiledTileSet& set, int position, const TileArtwork& art, int tileSide)
{
    if (set.imagePath.isEmpty() || set.tileSize != QSize(tileSide, tileSide) || set.margin != 0
        || set.spacing != 0 || !set.drawOffset.isNull())
        return false;
    if (art.fileHasTransparency(position))
        return !set.transparentColour.isValid();
    return set.transparentColour.isValid()
        && set.transparentColour.rgb() == art.fileCornerColour(position).rgb();
}

bool layersDrawAlike(const TiledMap& map, const std::vector<int>& drawnLayers)
{
    if (drawnLayers.size() > 2)
        return false;
    for (int l : drawnLayers) {
        const TiledLayer& layer = map.tileLayers[size_t(l)];
        if (layer.opacity != 1 || !layer.offset.isNull())
            return false;
        if (std::any_of(layer.gids.begin(), layer.gids.end(), [](quint32 gid) { return gid & TmxFlipFlags; }))
            return false;
    }
    return true;
}

// The tile sets that only mark passable cells.
std::vector<bool> passTileSets(const TiledMap& map, const std::vector<int>& passLayers,
                               const std::vector<int>& usedSets, const TileArtwork& art)
{
    std::vector<bool> pass(map.tileSets.size(), false);
    for (int l : passLayers) {
        for (quint32 gid : map.tileLayers[size_t(l)].gids) {
            const int set = gid ? art.tileSetOf(gid & TmxTileIdMask) : -1;
            if (set >= 0)
                pass[size_t(set)] = true;
        }
    }
    for (size_t s = 0; s < map.tileSets.size(); ++s)
        pass[s] = pass[s] || isPassLayerName(map.tileSets[s].name);
    for (int s : usedSets)
        pass[size_t(s)] = false;
    return pass;
}

} // namespace

bool mapWithOwnTileSets(const TiledMap& map, const std::vector<int>& drawnLayers,
                        const std::vector<int>& passLayers, const std::vector<int>& usedSets,
                        const TileArtwork& art, int tileSide, MapData* data)
{
    if (map.tileSize != QSize(tileSide, tileSide) || !layersDrawAlike(map, drawnLayers))
        return false;
    for (int s : usedSets) {
        if (!drawsAlike(map.tileSets[size_t(s)], s, art, tileSide))
            return false;
    }

    MapData named;
    const std::vector<bool> pass = passTileSets(map, passLayers, usedSets, art);
    std::vector<int> position(map.tileSets.size(), -1);
    for (size_t s = 0; s < map.tileSets.size(); ++s) {
        const TiledTileSet& set = map.tileSets[s];
        if (pass[s] || set.imagePath.isEmpty())
            continue;
        const QString name = QDir::current().relativeFilePath(set.imagePath);
        if (!tileSetNameProblem(name).isEmpty() || named.tileSetNames.size() == MapData::MaxTileSets)
            return false;
        position[s] = int(named.tileSetNames.size());
        named.tileSetNames << name;
    }

    named.width = map.cells.width();
    named.height = map.cells.height();
    named.bottom.assign(size_t(named.width) * size_t(named.height), CellRecord());
    named.top = named.bottom;
    for (size_t l = 0; l < drawnLayers.size(); ++l) {
        const TiledLayer& layer = map.tileLayers[size_t(drawnLayers[l])];
        std::vector<CellRecord>& records = l == 0 ? named.bottom : named.top;
        const QRect area = layer.cells.intersected(map.cells);
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const quint32 id = TmxTileIdMask
                    & layer.gids[size_t(y - layer.cells.top()) * size_t(layer.cells.width())
                                 + size_t(x - layer.cells.left())];
                if (id == 0 || !art.drawing(id).image)
                    continue;
                const int set = art.tileSetOf(id);
                records[size_t(y - map.cells.top()) * size_t(named.width) + size_t(x - map.cells.left())]
                    = { position[size_t(set)], qint32(id - map.tileSets[size_t(set)].firstGid), false };
            }
        }
    }
    *data = std::move(named);
    return true;
}

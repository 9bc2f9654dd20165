#include "tmx/layerroles.h"

#include "tmx/tileartwork.h"

LayerRoles layerRoles(const TiledMap& map)
{
    LayerRoles roles;
    for (size_t l = 0; l < map.tileLayers.size(); ++l) {
        const TiledLayer& layer = map.tileLayers[l];
        if (isPassLayerName(layer.name))
            roles.pass.push_back(int(l));
        else if (layer.visible)
            roles.drawn.push_back(int(l));
        else
            ++roles.hidden;
    }
    return roles;
}

std::vector<int> drawnTileSets(const TiledMap& map, const LayerRoles& roles, const TileArtwork& art)
{
    std::vector<bool> used(map.tileSets.size(), false);
    for (int l : roles.drawn) {
        for (quint32 gid : map.tileLayers[size_t(l)].gids) {
            const int set = gid ? art.tileSetOf(gid & TmxTileIdMask) : -1;
            if (set >= 0)
                used[size_t(set)] = true;
        }
    }
    std::vector<int> sets;
    for (size_t s = 0; s < used.size(); ++s) {
        if (used[s])
            sets.push_back(int(s));
    }
    return sets;
}

qint64 unknownTiles(const TiledMap& map, const LayerRoles& roles, const TileArtwork& art)
{
    qint64 unknown = 0;
    for (int l : roles.drawn) {
        for (quint32 gid : map.tileLayers[size_t(l)].gids)
            unknown += gid != 0 && !art.drawing(gid & TmxTileIdMask).image;
    }
    return unknown;
}

void addPassFlags(const TiledMap& map, const LayerRoles& roles, MapData* data)
{
    for (int l : roles.pass) {
        const TiledLayer& layer = map.tileLayers[size_t(l)];
        const QRect area = layer.cells.intersected(map.cells);
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                if (layer.gids[size_t(y - layer.cells.top()) * size_t(layer.cells.width())
                               + size_t(x - layer.cells.left())]
                    != 0)
                    data->top[size_t(y - map.cells.top()) * size_t(data->width)
                              + size_t(x - map.cells.left())]
                        .pass
                        = true;
            }
        }
    }
}

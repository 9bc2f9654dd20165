#include "mapcli/tmxexport.h"

#include "render/tilesetimage.h"
#include "mapcli/mapsource.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>

QImage passTileImage(int tileSize)
{
    QImage image(tileSize, tileSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(image.rect(), QColor(40, 200, 60, 60));
    const int frame = std::max(2, tileSize / 10);
    const QColor green(20, 150, 40, 220);
    painter.fillRect(QRect(0, 0, tileSize, frame), green);
    painter.fillRect(QRect(0, tileSize - frame, tileSize, frame), green);
    painter.fillRect(QRect(0, frame, frame, tileSize - 2 * frame), green);
    painter.fillRect(QRect(tileSize - frame, frame, frame, tileSize - 2 * frame), green);
    return image;
}

TmxMap tmxMapOf(const MapSource& source, const QString& tmxFolder, const QString& passImageSource)
{
    const MapData& data = source.data();
    const int tileSize = MapSource::TileSize;
    TmxMap tmx;
    tmx.size = QSize(data.width, data.height);
    tmx.tileSize = tileSize;

    const QDir folder(tmxFolder);
    std::vector<quint32> firstGid(size_t(data.tileSetNames.size()), 0);
    quint32 nextGid = 1;
    for (int k = 0; k < data.tileSetNames.size(); ++k) {
        if (source.firstPosition(k) != k || source.tileCount(k) == 0)
            continue;
        const QImage image = source.tileSetImage(k);
        TmxTileSet tileSet;
        tileSet.firstGid = int(nextGid);
        tileSet.name = data.tileSetNames[k];
        tileSet.imageSource = folder.relativeFilePath(QFileInfo(data.tileSetNames[k]).absoluteFilePath());
        tileSet.imageSize = image.size();
        tileSet.transparentColour = backgroundColour(image);
        tmx.tileSets << tileSet;
        firstGid[size_t(k)] = nextGid;
        nextGid += quint32(tileSet.tileCount(tileSize));
    }
    TmxTileSet pass;
    pass.firstGid = int(nextGid);
    pass.name = QStringLiteral("pass");
    pass.imageSource = passImageSource;
    pass.imageSize = QSize(tileSize, tileSize);
    tmx.tileSets << pass;

    const auto gidsOf = [&](const std::vector<CellRecord>& records) {
        std::vector<quint32> gids(records.size(), 0);
        for (size_t i = 0; i < records.size(); ++i) {
            int set = 0;
            if (source.drawnTile(records[i], &set))
                gids[i] = firstGid[size_t(set)] + quint32(records[i].tileIndex);
        }
        return gids;
    };
    tmx.layers << TmxLayer { QStringLiteral("bottom"), gidsOf(data.bottom) };
    tmx.layers << TmxLayer { QStringLiteral("top"), gidsOf(data.top) };
    std::vector<quint32> passGids(data.top.size(), 0);
    for (size_t i = 0; i < data.top.size(); ++i) {
        if (data.top[i].pass)
            passGids[i] = nextGid;
    }
    tmx.layers << TmxLayer { QStringLiteral("pass"), std::move(passGids) };
    return tmx;
}

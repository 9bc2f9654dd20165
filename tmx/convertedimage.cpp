#include "tmx/convertedimage.h"

#include "mapfile/tilesetfile.h"
#include "render/tilesetimage.h"
#include "tmx/stackdrawing.h"
#include "tmx/tilelayout.h"

#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace {

// The most one tile-set image may take decoded: the budget of all of them,
// and the limit above which Qt refuses to decode an image at all.
qint64 largestTileSetImageBytes()
{
    const qint64 decodingLimit = qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    return decodingLimit > 0 ? std::min(decodingLimit, TileSetImagesBudgetBytes) : TileSetImagesBudgetBytes;
}

QImage clearImage(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

bool drawConvertedImage(const TileStacks& stacks, const TileArtwork& art, const QSize& cellSize, int tileSide,
                        QImage* image, QString* error)
{
    const int tiles = int(stacks.stacks.size());
    *image = QImage();
    if (tiles == 0)
        return true;
    const TileImageLayout layout = tileImageLayout(tiles, tileSide);
    const TileImageLayout withClearTile = tileImageLayout(tiles + 1, tileSide);
    if (withClearTile.bytes() > largestTileSetImageBytes()) {
        *error
            = QStringLiteral("the map needs %1 different tiles, a tile-set image of %2 x %3 pixels and %4 MB "
                             "decoded, more than the %5 MB one tile-set image may take")
                  .arg(tiles)
                  .arg(layout.pixels().width())
                  .arg(layout.pixels().height())
                  .arg(megabytesRoundedUp(layout.bytes()))
                  .arg(megabytesRoundedUp(largestTileSetImageBytes()));
        return false;
    }
    QImage drawn = clearImage(layout.pixels());
    if (drawn.isNull()) {
        *error = QStringLiteral("there is not enough memory for the converted tile-set image");
        return false;
    }
    const QSize tile(tileSide, tileSide);
    for (int k = 0; k < tiles; ++k)
        drawTileStack(stacks.stacks[size_t(k)], art, cellSize, tile, &drawn, layout.position(k));
    if (!layout.isFull() || hasTransparency(drawn)) {
        *image = std::move(drawn);
        return true;
    }
    QImage roomier = clearImage(withClearTile.pixels());
    QPainter painter(&roomier);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (int k = 0; k < tiles; ++k)
        painter.drawImage(withClearTile.position(k), drawn, QRect(layout.position(k), tile));
    painter.end();
    *image = std::move(roomier);
    return true;
}

#include "render/scaledtiles.h"

#include <QPainter>

#include <algorithm>
#include <limits>

namespace {

enum class PixelKind { Clear, Opaque, Partial };

PixelKind kindOf(QRgb pixel)
{
    if (pixel == 0)
        return PixelKind::Clear;
    return qAlpha(pixel) == 255 ? PixelKind::Opaque : PixelKind::Partial;
}

// Sorts the tile's pixels into clear, opaque and partly transparent ones,
// and cuts each row into runs of opaque or of partly transparent pixels.
void findRuns(ScaledTiles::Tile& tile, int side)
{
    bool anyClear = false;
    bool anyPartial = false;
    tile.rowRuns.assign(1, 0);
    for (int y = 0; y < side; ++y) {
        const QRgb* line = tile.pixels + y * tile.stride;
        for (int x = 0; x < side;) {
            const PixelKind kind = kindOf(line[x]);
            const int start = x;
            while (x < side && kindOf(line[x]) == kind)
                ++x;
            anyClear = anyClear || kind == PixelKind::Clear;
            anyPartial = anyPartial || kind == PixelKind::Partial;
            if (kind != PixelKind::Clear)
                tile.runs.push_back({ quint16(start), quint16(x - start), kind == PixelKind::Opaque });
        }
        tile.rowRuns.push_back(quint32(tile.runs.size()));
    }
    if (tile.runs.empty())
        tile.coverage = ScaledTiles::Coverage::Clear;
    else if (!anyClear && !anyPartial)
        tile.coverage = ScaledTiles::Coverage::Opaque;
    else
        tile.coverage = ScaledTiles::Coverage::Mixed;
    if (tile.coverage != ScaledTiles::Coverage::Mixed) {
        tile.runs = std::vector<ScaledTiles::Run>();
        tile.rowRuns = std::vector<quint32>();
    }
}

} // namespace

ScaledTiles::Set::Set(const QPixmap& image, const QSize& tileSize, int side)
    : image(image)
    , imageKey(image.cacheKey())
    , pieceSize(tileSize)
    , squareSide(side)
    , columns(tileSize.width() > 0 ? image.width() / tileSize.width() : 0)
{
    const qint64 rows = tileSize.height() > 0 ? image.height() / tileSize.height() : 0;
    tileCount = qint32(std::min<qint64>(qint64(columns) * rows, std::numeric_limits<qint32>::max()));
    made.resize(size_t(tileCount));
    tiles.resize(size_t(tileCount));
    scaled.resize(size_t(tileCount));
    if (side == tileSize.width() && side == tileSize.height()) {
        const QImage own = image.toImage();
        if (own.format() == QImage::Format_ARGB32_Premultiplied || own.format() == QImage::Format_RGB32)
            pixels = own;
    }
}

void ScaledTiles::Set::make(qint32 index)
{
    const QRect source(pieceSize.width() * (index % columns), pieceSize.height() * (index / columns),
                       pieceSize.width(), pieceSize.height());
    Tile& tile = tiles[size_t(index)];
    if (!pixels.isNull() && pixels.rect().contains(source)) {
        tile.pixels = reinterpret_cast<const QRgb*>(pixels.constScanLine(source.top())) + source.left();
        tile.stride = pixels.bytesPerLine() / qsizetype(sizeof(QRgb));
    } else {
        // Over clear pixels the default composition leaves each drawn pixel
        // exactly as the drawing picked it. The image only lends the pixels
        // to the painter: its paint engine goes with it, the pixels stay.
        std::vector<QRgb>& square = scaled[size_t(index)];
        square.assign(size_t(squareSide) * size_t(squareSide), 0);
        {
            QImage drawn(reinterpret_cast<uchar*>(square.data()), squareSide, squareSide,
                         squareSide * qsizetype(sizeof(QRgb)), QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&drawn);
            painter.drawPixmap(QRectF(0, 0, squareSide, squareSide), image, QRectF(source));
        }
        scaledBytes += qint64(square.size() * sizeof(QRgb));
        tile.pixels = square.data();
        tile.stride = squareSide;
    }
    findRuns(tile, squareSide);
    made[size_t(index)] = 1;
}

ScaledTiles::Set& ScaledTiles::set(const QPixmap& image, const QSize& tileSize, int side)
{
    const qint64 key = image.cacheKey();
    for (const auto& known : sets) {
        if (known->key() == key && known->side() == side && known->tileSize() == tileSize)
            return *known;
    }
    sets.push_back(std::make_unique<Set>(image, tileSize, side));
    return *sets.back();
}

void ScaledTiles::retain(int side, const QList<qint64>& imageKeys)
{
    sets.erase(std::remove_if(sets.begin(), sets.end(),
                              [&](const std::unique_ptr<Set>& known) {
                                  return (known->side() != side && known->side() != side + 1)
                                      || !imageKeys.contains(known->key());
                              }),
               sets.end());
}

qint64 ScaledTiles::bytes() const
{
    qint64 total = 0;
    for (const auto& known : sets)
        total += known->bytes();
    return total;
}

#include "render/scaledtiles.h"

#include "render/devicepixels.h"

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
void findRuns(ScaledTiles::Tile& tile)
{
    bool anyClear = false;
    bool anyPartial = false;
    tile.rowRuns.assign(1, 0);
    for (int y = 0; y < tile.height; ++y) {
        const QRgb* line = tile.pixels + y * tile.stride;
        for (int x = 0; x < tile.width;) {
            const PixelKind kind = kindOf(line[x]);
            const int start = x;
            while (x < tile.width && kindOf(line[x]) == kind)
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
        tile.coverage = anyPartial ? ScaledTiles::Coverage::Mixed : ScaledTiles::Coverage::Cutout;
    if (tile.coverage == ScaledTiles::Coverage::Clear || tile.coverage == ScaledTiles::Coverage::Opaque) {
        tile.runs = std::vector<ScaledTiles::Run>();
        tile.rowRuns = std::vector<quint32>();
    }
}

} // namespace

QRect ScaledTiles::Placement::square() const
{
    return DevicePixels { scale, fx, fy }.imaged(QRect(0, 0, side, side));
}

ScaledTiles::Set::Set(const QImage& image, qint64 key, const QSize& tileSize, const Placement& placement)
    : image(image)
    , imageKey(key)
    , pieceSize(tileSize)
    , where(placement)
    , square(placement.square())
    , columns(tileSize.width() > 0 ? image.width() / tileSize.width() : 0)
{
    const qint64 rows = tileSize.height() > 0 ? image.height() / tileSize.height() : 0;
    tileCount = qint32(std::min<qint64>(qint64(columns) * rows, std::numeric_limits<qint32>::max()));
    made.reset(new std::atomic<bool>[size_t(tileCount)]());
    tiles.resize(size_t(tileCount));
    scaled.resize(size_t(tileCount));
    const bool unscaled = placement.scale == 1 && placement.fx == 0 && placement.fy == 0
        && placement.side == tileSize.width() && placement.side == tileSize.height();
    if (unscaled
        && (image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_RGB32))
        pixels = image;
}

void ScaledTiles::Set::make(qint32 index)
{
    const std::lock_guard<std::mutex> lock(making);
    if (made[size_t(index)].load(std::memory_order_relaxed))
        return;
    const QRect source(pieceSize.width() * (index % columns), pieceSize.height() * (index / columns),
                       pieceSize.width(), pieceSize.height());
    Tile& tile = tiles[size_t(index)];
    tile.width = square.width();
    tile.height = square.height();
    if (!pixels.isNull() && pixels.rect().contains(source)) {
        tile.pixels = reinterpret_cast<const QRgb*>(pixels.constScanLine(source.top())) + source.left();
        tile.stride = pixels.bytesPerLine() / qsizetype(sizeof(QRgb));
    } else {
        // Over clear pixels the default composition leaves each drawn pixel
        // exactly as the drawing picked it. The square is drawn where it
        // lies past a whole device pixel, so that its edges round as on the
        // canvas; the image only lends its pixels to the painter.
        const int width = square.right() + 1, height = square.bottom() + 1;
        std::vector<QRgb>& drawn = scaled[size_t(index)];
        drawn.assign(size_t(width) * size_t(height), 0);
        {
            QImage target(reinterpret_cast<uchar*>(drawn.data()), width, height, width * qsizetype(sizeof(QRgb)),
                          QImage::Format_ARGB32_Premultiplied);
            QPainter painter(&target);
            painter.setTransform(QTransform(where.scale, 0, 0, where.scale, where.fx, where.fy));
            painter.drawImage(QRectF(0, 0, where.side, where.side), image, QRectF(source));
        }
        scaledBytes.fetch_add(qint64(drawn.size() * sizeof(QRgb)), std::memory_order_relaxed);
        tile.pixels = drawn.data() + square.top() * width + square.left();
        tile.stride = width;
    }
    findRuns(tile);
    made[size_t(index)].store(true, std::memory_order_release);
}

ScaledTiles::Set& ScaledTiles::set(const QImage& image, qint64 key, const QSize& tileSize,
                                   const Placement& placement)
{
    const std::lock_guard<std::mutex> lock(lookup);
    for (const auto& known : sets) {
        if (known->key() == key && known->placement() == placement && known->tileSize() == tileSize) {
            known->lastUse = uses;
            return *known;
        }
    }
    sets.push_back(std::make_unique<Set>(image, key, tileSize, placement));
    sets.back()->lastUse = uses;
    return *sets.back();
}

void ScaledTiles::retain(const QList<qint64>& imageKeys)
{
    const std::lock_guard<std::mutex> lock(lookup);
    sets.erase(std::remove_if(sets.begin(), sets.end(),
                              [&](const std::unique_ptr<Set>& known) { return !imageKeys.contains(known->key()); }),
               sets.end());
    // Sets used since the last call stay, whatever they weigh: they are
    // those of the picture being drawn.
    std::stable_sort(sets.begin(), sets.end(), [](const std::unique_ptr<Set>& a, const std::unique_ptr<Set>& b) {
        return a->lastUse > b->lastUse;
    });
    qint64 total = 0;
    const auto firstDropped = std::find_if(sets.begin(), sets.end(), [&](const std::unique_ptr<Set>& known) {
        total += known->bytes();
        return known->lastUse < uses && total > BudgetBytes;
    });
    sets.erase(firstDropped, sets.end());
    ++uses;
}

qint64 ScaledTiles::bytes() const
{
    const std::lock_guard<std::mutex> lock(lookup);
    qint64 total = 0;
    for (const auto& known : sets)
        total += known->bytes();
    return total;
}

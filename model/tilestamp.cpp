#include "model/tilestamp.h"

#include <algorithm>

namespace {

// The remainder from 0 to divisor - 1, also left of or above the anchor, so
// that the copies there line up with those right of and below it.
int wrapped(int value, int divisor)
{
    return (value % divisor + divisor) % divisor;
}

// A well-mixed number from the seed and a place (SplitMix64's finaliser).
quint64 mixed(quint32 seed, const QPoint& place)
{
    quint64 h
        = quint64(seed) * 0x9E3779B97F4A7C15ull ^ ((quint64(quint32(place.x())) << 32) | quint32(place.y()));
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 31);
}

} // namespace

TileStamp::TileStamp(CellGrid cells)
    : grid(std::move(cells))
{
    for (int x = 0; x < grid.width(); ++x) {
        const Cell* column = grid.column(x);
        std::copy_if(column, column + grid.height(), std::back_inserter(tiles),
                     [](const Cell& cell) { return !cell.isEmpty(); });
    }
}

QPoint TileStamp::offsetIn(const QPoint& place, const QPoint& anchor) const
{
    return QPoint(wrapped(place.x() - anchor.x(), grid.width()),
                  wrapped(place.y() - anchor.y(), grid.height()));
}

bool TileStamp::cellAt(const QPoint& place, const QPoint& anchor, const std::optional<quint32>& randomSeed,
                       Cell* value) const
{
    if (isEmpty())
        return false;
    const QPoint offset = offsetIn(place, anchor);
    if (grid.at(offset.x(), offset.y()).isEmpty())
        return false;
    *value = randomSeed ? tiles[size_t(mixed(*randomSeed, place) % tiles.size())]
                        : grid.at(offset.x(), offset.y());
    return true;
}

std::vector<QPoint> TileStamp::copiesOver(const std::vector<QPoint>& places, const QPoint& anchor) const
{
    std::vector<QPoint> corners;
    if (isEmpty())
        return corners;
    for (const QPoint& place : places) {
        const QPoint corner = place - offsetIn(place, anchor);
        if (std::find(corners.begin(), corners.end(), corner) == corners.end())
            corners.push_back(corner);
    }
    std::vector<QPoint> cells;
    for (const QPoint& corner : corners) {
        for (int x = 0; x < grid.width(); ++x) {
            for (int y = 0; y < grid.height(); ++y)
                cells.emplace_back(corner.x() + x, corner.y() + y);
        }
    }
    return cells;
}

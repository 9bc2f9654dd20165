#include "model/floodfill.h"

namespace {

bool sameTile(const Cell& a, const Cell& b)
{
    return a.tileIndex == b.tileIndex && a.tileSet == b.tileSet;
}

} // namespace

std::vector<QPoint> floodRegion(const CellGrid& grid, const QPoint& start)
{
    std::vector<QPoint> region;
    if (!grid.contains(start))
        return region;
    const Cell target = grid.at(start.x(), start.y());
    const int height = grid.height();
    // Runs go down the columns, along the storage; each run is taken whole
    // and seeds the runs of the columns beside it, so every cell is looked
    // at a few times at most, with no recursion.
    std::vector<bool> taken(size_t(grid.width()) * size_t(height));
    const auto joins = [&](int x, int y) {
        return !taken[grid.indexOf(x, y)] && sameTile(grid.at(x, y), target);
    };
    std::vector<QPoint> seeds { start };
    while (!seeds.empty()) {
        const QPoint seed = seeds.back();
        seeds.pop_back();
        const int x = seed.x();
        if (!joins(x, seed.y()))
            continue;
        int first = seed.y();
        while (first > 0 && joins(x, first - 1))
            --first;
        int last = seed.y();
        while (last + 1 < height && joins(x, last + 1))
            ++last;
        for (int y = first; y <= last; ++y) {
            taken[grid.indexOf(x, y)] = true;
            region.emplace_back(x, y);
        }
        for (const int side : { x - 1, x + 1 }) {
            if (side < 0 || side >= grid.width())
                continue;
            bool inRun = false;
            for (int y = first; y <= last; ++y) {
                const bool joined = joins(side, y);
                if (joined && !inRun)
                    seeds.emplace_back(side, y);
                inRun = joined;
            }
        }
    }
    return region;
}

#include "tmx/tilestacks.h"

#include "tmx/tileartwork.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

namespace {

qint64 floorDivide(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

// The cells, clamped to `count` of them, that pixels from `start` on, `length`
// of them, meet along one axis of cells `side` pixels wide.
std::pair<int, int> cellsMet(qint64 start, qint64 length, int side, int count)
{
    const qint64 first = std::max<qint64>(0, floorDivide(start, side));
    const qint64 last = std::min<qint64>(count - 1, floorDivide(start + length - 1, side));
    return { int(first), int(last) };
}

} // namespace

TileStacks collectTileStacks(const TiledMap& map, const std::vector<int>& drawnLayers, const TileArtwork& art)
{
    const int width = map.cells.width(), height = map.cells.height();
    const int cellWidth = map.tileSize.width(), cellHeight = map.tileSize.height();
    const size_t cells = size_t(width) * size_t(height);
    // Each cell's stack as the bytes of its pieces, the key that makes
    // equal stacks one; the bottom layer's cells first.
    std::vector<std::string> keys(2 * cells);
    TileStacks result;

    for (size_t l = 0; l < drawnLayers.size(); ++l) {
        const TiledLayer& layer = map.tileLayers[size_t(drawnLayers[l])];
        if (layer.opacity <= 0)
            continue;
        const size_t base = l == 0 ? 0 : cells;
        const QRect& area = layer.cells;
        for (int ly = 0; ly < area.height(); ++ly) {
            for (int lx = 0; lx < area.width(); ++lx) {
                const quint32 gid = layer.gids[size_t(ly) * size_t(area.width()) + size_t(lx)];
                if (gid == 0)
                    continue;
                const quint32 id = gid & TmxTileIdMask;
                const TileDrawing drawing = art.drawing(id);
                if (!drawing.image)
                    continue;
                QSize size = drawing.source.size();
                if (gid & TmxFlipDiagonal)
                    size.transpose();
                // Tiled puts a tile's bottom-left corner on its cell's.
                const qint64 left = qint64(area.left() + lx - map.cells.left()) * cellWidth + layer.offset.x()
                    + drawing.offset.x();
                const qint64 top = qint64(area.top() + ly - map.cells.top() + 1) * cellHeight - size.height()
                    + layer.offset.y() + drawing.offset.y();
                const auto [firstColumn, lastColumn] = cellsMet(left, size.width(), cellWidth, width);
                const auto [firstRow, lastRow] = cellsMet(top, size.height(), cellHeight, height);
                for (int y = firstRow; y <= lastRow; ++y) {
                    for (int x = firstColumn; x <= lastColumn; ++x) {
                        const StackPiece piece { gid & (TmxFlipFlags | TmxTileIdMask),
                                                 qint32(left - qint64(x) * cellWidth),
                                                 qint32(top - qint64(y) * cellHeight), float(layer.opacity) };
                        keys[base + size_t(y) * size_t(width) + size_t(x)].append(
                            reinterpret_cast<const char*>(&piece), sizeof piece);
                    }
                }
            }
        }
    }

    std::unordered_map<std::string, int> stackOfKey;
    std::vector<int> shown(2 * cells, -1);
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i].empty())
            continue;
        const auto [found, added] = stackOfKey.try_emplace(std::move(keys[i]), int(result.stacks.size()));
        shown[i] = found->second;
        if (!added)
            continue;
        std::vector<StackPiece> pieces(found->first.size() / sizeof(StackPiece));
        std::memcpy(pieces.data(), found->first.data(), found->first.size());
        result.stacks.push_back(std::move(pieces));
    }
    result.bottom.assign(shown.begin(), shown.begin() + qint64(cells));
    result.top.assign(shown.begin() + qint64(cells), shown.end());
    return result;
}

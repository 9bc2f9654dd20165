#include "tmx/tilestacks.h"

#include "tmx/tileartwork.h"

#include <algorithm>
#include <cstring>
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

// A stack is built a piece at a time: a stack is the stack below its last
// piece (-1 for none) and that piece, so that equal stacks are found equal
// one piece at a time, without keeping each cell's pieces.
struct Step
{
    int below;
    StackPiece piece;

    bool operator==(const Step& other) const
    {
        return below == other.below && piece.gid == other.piece.gid && piece.x == other.piece.x
            && piece.y == other.piece.y
            && std::memcmp(&piece.opacity, &other.piece.opacity, sizeof(float)) == 0;
    }
};

struct StepHash
{
    size_t operator()(const Step& step) const
    {
        quint32 opacity;
        std::memcpy(&opacity, &step.piece.opacity, sizeof opacity);
        quint64 hash = quint64(quint32(step.below)) * 0x9e3779b97f4a7c15ull;
        for (const quint32 field : { step.piece.gid, quint32(step.piece.x), quint32(step.piece.y), opacity })
            hash = (hash ^ field) * 0xff51afd7ed558ccdull;
        return size_t(hash ^ (hash >> 32));
    }
};

class StackBuilder
{
public:
    // The stack of `below` with `piece` over it.
    int add(int below, const StackPiece& piece)
    {
        const Step step { below, piece };
        const auto [found, added] = stepOf.try_emplace(step, int(steps.size()));
        if (added)
            steps.push_back(step);
        return found->second;
    }

    std::vector<StackPiece> pieces(int stack) const
    {
        std::vector<StackPiece> result;
        for (; stack >= 0; stack = steps[size_t(stack)].below)
            result.push_back(steps[size_t(stack)].piece);
        std::reverse(result.begin(), result.end());
        return result;
    }

    size_t size() const { return steps.size(); }

private:
    std::unordered_map<Step, int, StepHash> stepOf;
    std::vector<Step> steps;
};

} // namespace

TileStacks collectTileStacks(const TiledMap& map, const std::vector<int>& drawnLayers, const TileArtwork& art)
{
    const int width = map.cells.width(), height = map.cells.height();
    const int cellWidth = map.tileSize.width(), cellHeight = map.tileSize.height();
    const size_t cells = size_t(width) * size_t(height);
    // Each cell's stack so far, the bottom layer's cells first; pieces come
    // in drawing order: layer by layer, and in a layer row by row.
    std::vector<int> stackOfCell(2 * cells, -1);
    StackBuilder builder;

    for (size_t l = 0; l < drawnLayers.size(); ++l) {
        const TiledLayer& layer = map.tileLayers[size_t(drawnLayers[l])];
        if (layer.opacity <= 0)
            continue;
        int* const stacks = stackOfCell.data() + (l == 0 ? 0 : cells);
        const QRect& area = layer.cells;
        for (int ly = 0; ly < area.height(); ++ly) {
            for (int lx = 0; lx < area.width(); ++lx) {
                const quint32 gid = layer.gids[size_t(ly) * size_t(area.width()) + size_t(lx)];
                if (gid == 0)
                    continue;
                const TileDrawing drawing = art.drawing(gid & TmxTileIdMask);
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
                        int& stack = stacks[size_t(y) * size_t(width) + size_t(x)];
                        stack = builder.add(stack, piece);
                    }
                }
            }
        }
    }

    // The stacks the cells end with, numbered in the order first met.
    TileStacks result;
    std::vector<int> number(builder.size(), -1);
    for (int& stack : stackOfCell) {
        if (stack < 0)
            continue;
        if (number[size_t(stack)] < 0) {
            number[size_t(stack)] = int(result.stacks.size());
            result.stacks.push_back(builder.pieces(stack));
        }
        stack = number[size_t(stack)];
    }
    result.bottom.assign(stackOfCell.begin(), stackOfCell.begin() + qint64(cells));
    result.top.assign(stackOfCell.begin() + qint64(cells), stackOfCell.end());
    return result;
}

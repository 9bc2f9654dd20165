#include "render/layercache.h"

#include <QPainter>

#include <algorithm>
#include <climits>
#include <functional>

namespace {

// Chunks of about this side: few enough that a whole-map repaint copies a
// handful of them, small enough that a viewport needs little memory.
constexpr int ChunkSidePixels = 512;

qint64 imageBytes(const QSize& size)
{
    return qint64(size.width()) * size.height() * 4;
}

} // namespace

LayerCache::LayerCache(qint64 budgetBytes)
    : budget(budgetBytes)
{
}

void LayerCache::setLayout(Layout layout)
{
    if (layout == current)
        return;
    clear();
    current = std::move(layout);
    cellsPerChunk = std::max(1, ChunkSidePixels / std::max(1, current.side));
    chunks.resize(size_t(chunkColumns()) * size_t(chunkRows()));
}

void LayerCache::clear()
{
    chunks.clear();
    current = Layout();
    usedBytes = 0;
}

void LayerCache::cellsChanged(const QRect& cells)
{
    // A cell belongs to its own chunk and, as the one before a chunk's
    // first cell, to the next chunk too.
    const int lastColumn = chunkColumns() - 1, lastRow = chunkRows() - 1;
    if (cells.isEmpty() || lastColumn < 0 || lastRow < 0)
        return;
    const int left = std::clamp(cells.left() / cellsPerChunk, 0, lastColumn);
    const int right = std::clamp((cells.right() + 1) / cellsPerChunk, 0, lastColumn);
    const int top = std::clamp(cells.top() / cellsPerChunk, 0, lastRow);
    const int bottom = std::clamp((cells.bottom() + 1) / cellsPerChunk, 0, lastRow);
    for (int b = top; b <= bottom; ++b) {
        for (int a = left; a <= right; ++a)
            chunkAt(a, b).changed = true;
    }
}

int LayerCache::chunkColumns() const
{
    const int columns = int(current.columnLines.size()) - 1;
    return columns > 0 ? (columns + cellsPerChunk - 1) / cellsPerChunk : 0;
}

int LayerCache::chunkRows() const
{
    const int rows = int(current.rowLines.size()) - 1;
    return rows > 0 ? (rows + cellsPerChunk - 1) / cellsPerChunk : 0;
}

QRect LayerCache::chunkPixels(int chunkColumn, int chunkRow) const
{
    // A chunk ends where the next one begins; the last one reaches the map's
    // last grid line, onto which the empty cells of the edge are widened.
    const auto span = [this](const std::vector<int>& lines, int chunk) {
        const int cells = int(lines.size()) - 1;
        const int first = chunk * cellsPerChunk;
        const int end = std::min(first + cellsPerChunk, cells);
        return std::make_pair(lines[size_t(first)],
                              end == cells ? lines[size_t(cells)] : lines[size_t(end)] - 1);
    };
    const auto [left, right] = span(current.columnLines, chunkColumn);
    const auto [top, bottom] = span(current.rowLines, chunkRow);
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect LayerCache::chunkCells(int chunkColumn, int chunkRow) const
{
    // The cell before a chunk's first one, widened, reaches one pixel into it.
    const int columns = int(current.columnLines.size()) - 1;
    const int rows = int(current.rowLines.size()) - 1;
    const int left = std::max(0, chunkColumn * cellsPerChunk - 1);
    const int top = std::max(0, chunkRow * cellsPerChunk - 1);
    const int right = std::min((chunkColumn + 1) * cellsPerChunk, columns) - 1;
    const int bottom = std::min((chunkRow + 1) * cellsPerChunk, rows) - 1;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

std::pair<int, int> LayerCache::chunkSpan(const std::vector<int>& lines, int first, int last) const
{
    if (last < lines.front() || first > lines.back())
        return { 1, 0 };
    const int cells = int(lines.size()) - 1;
    const auto cellAt = [&](int pixel) {
        const int cell = int(std::upper_bound(lines.begin(), lines.end(), pixel) - lines.begin()) - 1;
        return std::clamp(cell, 0, cells - 1);
    };
    return { cellAt(first) / cellsPerChunk, cellAt(last) / cellsPerChunk };
}

QRect LayerCache::cellArea(const QRect& cells) const
{
    return QRect(QPoint(current.columnLines[size_t(cells.left())], current.rowLines[size_t(cells.top())]),
                 QPoint(current.columnLines[size_t(cells.right())] + current.side,
                        current.rowLines[size_t(cells.bottom())] + current.side));
}

bool LayerCache::paint(QPainter& painter, const QRect& area, const PicturesOf& picturesOf, const Draw& draw)
{
    if (chunks.empty())
        return false;
    const auto [firstColumn, lastColumn] = chunkSpan(current.columnLines, area.left(), area.right());
    const auto [firstRow, lastRow] = chunkSpan(current.rowLines, area.top(), area.bottom());
    if (firstColumn > lastColumn || firstRow > lastRow)
        return true;

    ++paints;
    qint64 wanted = 0;
    qint64 missing = 0;
    for (int b = firstRow; b <= lastRow; ++b) {
        for (int a = firstColumn; a <= lastColumn; ++a) {
            Chunk& chunk = chunkAt(a, b);
            const qint64 bytes = imageBytes(chunkPixels(a, b).size());
            wanted += bytes;
            if (chunk.image.isNull())
                missing += bytes;
            chunk.lastUse = paints;
        }
    }
    if (wanted > budget)
        return false;

    // Room for the missing chunks, from those used longest ago.
    if (usedBytes + missing > budget) {
        std::vector<Chunk*> idle;
        for (Chunk& chunk : chunks) {
            if (!chunk.image.isNull() && chunk.lastUse != paints)
                idle.push_back(&chunk);
        }
        std::sort(idle.begin(), idle.end(),
                  [](const Chunk* a, const Chunk* b) { return a->lastUse < b->lastUse; });
        for (auto it = idle.begin(); it != idle.end() && usedBytes + missing > budget; ++it)
            release(**it);
    }

    for (int b = firstRow; b <= lastRow; ++b) {
        for (int a = firstColumn; a <= lastColumn; ++a) {
            Chunk& chunk = chunkAt(a, b);
            if (chunk.image.isNull())
                build(chunk, a, b, picturesOf, draw);
            else if (chunk.changed)
                refresh(chunk, area, picturesOf, draw);
            blit(painter, chunk, chunk.pixels & area);
        }
    }
    return true;
}

void LayerCache::build(Chunk& chunk, int chunkColumn, int chunkRow, const PicturesOf& picturesOf,
                       const Draw& draw)
{
    chunk.pixels = chunkPixels(chunkColumn, chunkRow);
    chunk.cells = chunkCells(chunkColumn, chunkRow);
    chunk.image = QImage(chunk.pixels.size(), QImage::Format_RGB32);
    usedBytes += imageBytes(chunk.pixels.size());
    chunk.drawn.resize(size_t(chunk.cells.width()) * size_t(chunk.cells.height()));
    picturesOf(chunk.cells, chunk.drawn.data());
    chunk.changed = false;
    redraw(chunk, chunk.pixels, draw);
}

void LayerCache::refresh(Chunk& chunk, const QRect& area, const PicturesOf& picturesOf, const Draw& draw)
{
    // Every pixel that a changed cell paints now or painted before lies in
    // its area; drawing the areas of changed cells again, with every cell
    // and line that meets them, leaves the chunk as if drawn afresh. Only
    // the changed cells that meet `area` are drawn now. One left for later
    // is remembered as a picture that no cell has, so that its whole area is
    // drawn when needed, whatever the cell shows by then.
    CellPicture unknown;
    unknown.bottomTile = INT_MIN;
    // One column at a time, so that the pictures compared stay in cache.
    scratch.resize(size_t(chunk.cells.height()));
    const auto visit
        = [&](const std::function<void(int x, int y, const CellPicture& now, CellPicture& drawn)>& changed) {
              CellPicture* drawn = chunk.drawn.data();
              for (int x = chunk.cells.left(); x <= chunk.cells.right(); ++x) {
                  picturesOf(QRect(x, chunk.cells.top(), 1, chunk.cells.height()), scratch.data());
                  const CellPicture* now = scratch.data();
                  for (int y = chunk.cells.top(); y <= chunk.cells.bottom(); ++y, ++now, ++drawn) {
                      if (*now != *drawn)
                          changed(x, y, *now, *drawn);
                  }
              }
          };
    const auto ownArea = [&](int x, int y) { return cellArea(QRect(x, y, 1, 1)) & chunk.pixels; };

    QRect shown;
    bool anyChanged = false;
    visit([&](int x, int y, const CellPicture&, CellPicture&) {
        anyChanged = true;
        if (ownArea(x, y).intersects(area))
            shown |= QRect(x, y, 1, 1);
    });
    chunk.changed = false;
    if (!anyChanged)
        return;
    const QRect pixels = shown.isNull() ? QRect() : cellArea(shown) & chunk.pixels;
    redraw(chunk, pixels, draw);
    visit([&](int x, int y, const CellPicture& now, CellPicture& drawn) {
        const QRect own = ownArea(x, y);
        if (own.isEmpty() || pixels.contains(own)) {
            drawn = now;
        } else {
            drawn = unknown;
            chunk.changed = true;
        }
    });
}

void LayerCache::redraw(Chunk& chunk, const QRect& pixels, const Draw& draw)
{
    if (pixels.isEmpty())
        return;
    const QRect local = pixels.translated(-chunk.pixels.topLeft());
    for (int y = local.top(); y <= local.bottom(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(chunk.image.scanLine(y)) + local.left();
        std::fill(line, line + local.width(), current.ground);
    }
    draw(chunk.image, chunk.pixels.topLeft(), pixels);
}

void LayerCache::blit(QPainter& painter, const Chunk& chunk, const QRect& area)
{
    painter.drawImage(area.topLeft(), chunk.image, area.translated(-chunk.pixels.topLeft()));
}

void LayerCache::release(Chunk& chunk)
{
    usedBytes -= imageBytes(chunk.image.size());
    chunk.image = QImage();
    chunk.drawn = std::vector<CellPicture>();
}

void LayerCache::setImages(const QList<qint64>& keys)
{
    if (keys == images)
        return;
    images = keys;
    for (Chunk& chunk : chunks)
        chunk.changed = true;
}

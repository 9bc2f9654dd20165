#include "render/layercache.h"

#include "render/everycore.h"

#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>

namespace {

// Chunks of about this side in device pixels: few enough that a whole-map
// repaint copies a handful of them, small enough that a viewport needs
// little memory, and enough of them on a screen to share out among cores.
constexpr int ChunkSidePixels = 512;
// About a millisecond of drawing on one core.
constexpr qint64 ConcurrentPixels = 1024 * 1024;

qint64 imageBytes(const QSize& size)
{
    return qint64(size.width()) * size.height() * 4;
}

// The memory of a painter's image, into which a chunk's pixels are copied
// row by row from any thread, as the painter would copy them, within the
// region that the painter may change.
struct PlainImage
{
    uchar* bits;
    qsizetype stride;
    QRegion clip; // device pixels

    // The pixels of `image`, whose top-left pixel lies at `corner`, within
    // `area` (device pixels).
    void copy(const QImage& image, const QRect& area, const QPoint& corner) const
    {
        for (const QRect& rect : clip) {
            const QRect piece = rect & area;
            for (int y = piece.top(); y <= piece.bottom(); ++y) {
                std::memcpy(bits + y * stride + qsizetype(piece.left()) * 4,
                            image.constScanLine(y - corner.y()) + qsizetype(piece.left() - corner.x()) * 4,
                            size_t(piece.width()) * 4);
            }
        }
    }
};

// The painter's image as a PlainImage, when the painter draws on a device
// that the cache serves, in the chunks' format, at full opacity, clipped by
// nothing but the region that the system gave it.
std::optional<PlainImage> plainImageOf(const QPainter& painter, QImage::Format format)
{
    const std::optional<LayerCache::Device> device = LayerCache::deviceOf(painter);
    if (!device || device->format != format || painter.hasClipping() || painter.opacity() != 1.0)
        return std::nullopt;
    const QPaintEngine* engine = painter.paintEngine();
    const QImage& image = *static_cast<const QImage*>(engine->paintDevice());
    const QRegion system = engine->systemClip();
    // The painter writes into the image's memory as it finds it, shared or
    // not; constBits() gives that memory without detaching it.
    return PlainImage { const_cast<uchar*>(image.constBits()), image.bytesPerLine(),
                        system.isEmpty() ? QRegion(image.rect()) : system & image.rect() };
}

} // namespace

LayerCache::Axis::Axis(const std::vector<int>& lines, int side, const DevicePixels& along)
{
    // A cell paints from its grid line on: its tiles, the empty-cell colour
    // over its square widened by one pixel, and the grid line there.
    const int cells = int(lines.size()) - 1;
    for (int n = 0; n <= cells; ++n)
        starts.push_back(along.filled(QRect(lines[size_t(n)], 0, 1, 1)).left());
    for (int n = 0; n < cells; ++n) {
        const QRect widened(lines[size_t(n)], 0, side + 1, side + 1);
        ends.push_back(std::max(along.filled(widened).right(), along.imaged(widened).right()) + 1);
    }
    mapEnd = std::max(ends.empty() ? 0 : ends.back(), along.filled(QRect(lines.back(), 0, 1, 1)).right() + 1);
}

LayerCache::LayerCache(qint64 budgetBytes)
    : budget(budgetBytes)
{
}

std::optional<LayerCache::Device> LayerCache::deviceOf(const QPainter& painter)
{
    const QPaintEngine* engine = painter.paintEngine();
    const QPaintDevice* target = engine ? engine->paintDevice() : nullptr;
    if (!target || engine->type() != QPaintEngine::Raster || target->devType() != QInternal::Image)
        return std::nullopt;
    const QImage::Format format = static_cast<const QImage*>(target)->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32_Premultiplied)
        return std::nullopt;
    const QTransform transform = painter.deviceTransform();
    const DevicePixels pixels { transform.m11(), transform.dx(), transform.dy() };
    if (transform.type() > QTransform::TxScale || transform.m11() != transform.m22() || !pixels.onQuarters())
        return std::nullopt;
    const QPoint origin(int(std::floor(pixels.dx)), int(std::floor(pixels.dy)));
    return Device { pixels.scale, QPointF(pixels.dx - origin.x(), pixels.dy - origin.y()), format, origin };
}

void LayerCache::setLayout(Layout layout)
{
    if (layout == current)
        return;
    for (Chunk& chunk : chunks) {
        if (!chunk.image.isNull())
            release(chunk);
    }
    chunks.clear();
    columns = Axis();
    rows = Axis();
    current = std::move(layout);
    device = DevicePixels { current.scale, current.phase.x(), current.phase.y() };
    columns = Axis(current.columnLines, current.side, device);
    // An axis is measured along x: rows take the vertical phase there.
    rows = Axis(current.rowLines, current.side, DevicePixels { current.scale, current.phase.y(), 0 });
    cellsPerChunk = std::max(1, ChunkSidePixels / std::max(1, int(current.side * current.scale)));
    chunks.resize(size_t(chunkColumns()) * size_t(chunkRows()));
}

void LayerCache::clear()
{
    chunks.clear();
    spare.clear();
    spareBytes = 0;
    current = Layout();
    columns = Axis();
    rows = Axis();
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

QRect LayerCache::chunkPixels(int chunkColumn, int chunkRow) const
{
    // A chunk ends where the next one begins; the first one starts at the
    // device pixel of the map's corner, on which its first grid lines lie,
    // and the last one reaches the end of the map's pixels.
    const auto span = [this](const Axis& axis, int chunk) {
        const int first = chunk * cellsPerChunk;
        const int end = std::min(first + cellsPerChunk, axis.cells());
        return std::make_pair(first == 0 ? 0 : axis.starts[size_t(first)],
                              (end == axis.cells() ? axis.mapEnd : axis.starts[size_t(end)]) - 1);
    };
    const auto [left, right] = span(columns, chunkColumn);
    const auto [top, bottom] = span(rows, chunkRow);
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QRect LayerCache::chunkCells(int chunkColumn, int chunkRow) const
{
    // The cell before a chunk's first one, widened, reaches into it.
    const int left = std::max(0, chunkColumn * cellsPerChunk - 1);
    const int top = std::max(0, chunkRow * cellsPerChunk - 1);
    const int right = std::min((chunkColumn + 1) * cellsPerChunk, columns.cells()) - 1;
    const int bottom = std::min((chunkRow + 1) * cellsPerChunk, rows.cells()) - 1;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

std::pair<int, int> LayerCache::chunkSpan(const Axis& axis, int first, int last) const
{
    if (last < 0 || first >= axis.mapEnd)
        return { 1, 0 };
    const auto cellAt = [&](int pixel) {
        const auto end = axis.starts.begin() + axis.cells();
        const int cell = int(std::upper_bound(axis.starts.begin(), end, pixel) - axis.starts.begin()) - 1;
        return std::clamp(cell, 0, axis.cells() - 1);
    };
    return { cellAt(first) / cellsPerChunk, cellAt(last) / cellsPerChunk };
}

QRect LayerCache::cellArea(const QRect& cells) const
{
    return QRect(QPoint(columns.starts[size_t(cells.left())], rows.starts[size_t(cells.top())]),
                 QPoint(columns.ends[size_t(cells.right())] - 1, rows.ends[size_t(cells.bottom())] - 1));
}

QRect LayerCache::mapPixels() const
{
    return QRect(QPoint(0, 0), QPoint(columns.mapEnd - 1, rows.mapEnd - 1));
}

QRect LayerCache::edgeStrip(const Axis& axis, int origin) const
{
    // Pixels from `origin` on are the device's own; those before it lie
    // beyond its edge. Whole device pixels make no halves to round.
    if (chunks.empty() || (current.scale == std::floor(current.scale) && current.phase.isNull()))
        return QRect();
    int end = -origin;
    for (int cell = 0; cell < axis.cells() && axis.starts[size_t(cell)] < -origin; ++cell)
        end = std::max(end, axis.ends[size_t(cell)]);
    return QRect(-origin, 0, end + origin, 1);
}

void LayerCache::paint(QPainter& painter, const QRect& area, const PicturesOf& picturesOf, const Draw& draw,
                       const DrawDirectly& drawDirectly)
{
    // Everything from here on is in the device's pixels, from the whole
    // pixel at or before widget pixel (0, 0).
    const QTransform transform = painter.deviceTransform();
    const QPoint origin(int(std::floor(transform.dx())), int(std::floor(transform.dy())));
    const QRect pixels = transform.mapRect(QRectF(area)).toAlignedRect().translated(-origin);

    std::vector<std::pair<Chunk*, QPoint>> shown;
    qint64 missing = 0; // bytes of chunks drawn afresh
    if (!chunks.empty()) {
        const auto [firstColumn, lastColumn] = chunkSpan(columns, pixels.left(), pixels.right());
        const auto [firstRow, lastRow] = chunkSpan(rows, pixels.top(), pixels.bottom());
        ++paints;
        qint64 wanted = 0;
        for (int b = firstRow; b <= lastRow; ++b) {
            for (int a = firstColumn; a <= lastColumn; ++a) {
                Chunk& chunk = chunkAt(a, b);
                const qint64 bytes = imageBytes(chunkPixels(a, b).size());
                wanted += bytes;
                if (chunk.image.isNull())
                    missing += bytes;
                chunk.lastUse = paints;
                shown.emplace_back(&chunk, QPoint(a, b));
            }
        }
        evict(QRect(QPoint(firstColumn, firstRow), QPoint(lastColumn, lastRow)), missing,
              std::max(budget, wanted + wanted / 2));
        usedBytes += missing;
    }

    // The chunks to draw or to bring up to date, each on its own: on
    // several cores when there is much to draw. Handing work to other
    // threads costs more than drawing a viewport's worth of changed cells,
    // so a small edit is drawn here. Where the painter's image takes plain
    // copies, each chunk drawn is copied there by the thread that drew it,
    // while its pixels are still in that core's cache.
    struct Work
    {
        Chunk* chunk;
        bool fresh;
    };
    const std::optional<PlainImage> plain = plainImageOf(painter, current.format);
    std::vector<Work> work;
    qint64 workPixels = 0;
    // The chunks to copy afterwards, and their pixels.
    std::vector<const Chunk*> toCopy;
    qint64 copyPixels = 0;
    for (const auto& [chunk, place] : shown) {
        const bool fresh = chunk->image.isNull();
        if (fresh)
            prepare(*chunk, place.x(), place.y());
        const bool drawn = fresh || chunk->changed;
        if (drawn) {
            work.push_back({ chunk, fresh });
            const QRect redrawn = fresh ? chunk->pixels : chunk->pixels & pixels;
            workPixels += qint64(redrawn.width()) * redrawn.height();
        }
        if (!drawn || !plain) {
            toCopy.push_back(chunk);
            const QRect part = chunk->pixels & pixels;
            copyPixels += qint64(part.width()) * part.height();
        }
    }
    const auto copyIntoPainter = [&](const Chunk& chunk) {
        plain->copy(chunk.image, (chunk.pixels & pixels).translated(origin), chunk.pixels.topLeft() + origin);
    };
    const auto bringUpToDate = [&](const Work& entry) {
        Chunk& chunk = *entry.chunk;
        if (entry.fresh)
            build(chunk, picturesOf, draw);
        else
            refresh(chunk, pixels, picturesOf, draw);
        if (plain)
            copyIntoPainter(chunk);
    };
    if (work.size() > 1 && workPixels > ConcurrentPixels)
        forEachOnEveryCore(work.size(), [&](size_t index) { bringUpToDate(work[index]); });
    else
        std::for_each(work.begin(), work.end(), bringUpToDate);
    // What the chunks of a whole view dropped at a zoom change left spare
    // has served the new ones. Once a paint needs no new chunk, the view has
    // settled: a quarter of what the chunks in use hold stays spare for the
    // next zoom change, the rest goes back to the system. Giving it back
    // costs more than drawing into it, so never in the first paint of a view.
    const qint64 keep = missing > 0 ? budget : std::min(budget, usedBytes / 4);
    while (spareBytes > keep) {
        spareBytes -= qint64(spare.back().size());
        spare.pop_back();
    }

    // The other chunks copied pixel for pixel: a large area on every core,
    // as one core's copy does not take all of the memory's speed.
    if (plain && toCopy.size() > 1 && copyPixels > ConcurrentPixels) {
        forEachOnEveryCore(toCopy.size(), [&](size_t index) { copyIntoPainter(*toCopy[index]); });
        toCopy.clear();
    }
    // With the painter's transform undone.
    painter.save();
    painter.setWorldTransform(transform.inverted() * painter.worldTransform());
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const Chunk* chunk : toCopy) {
        const QRect part = chunk->pixels & pixels;
        painter.drawImage(part.topLeft() + origin, chunk->image, part.translated(-chunk->pixels.topLeft()));
    }
    const QRegion around = chunks.empty() ? QRegion(pixels) : QRegion(pixels).subtracted(mapPixels());
    for (const QRect& rest : around)
        painter.fillRect(rest.translated(origin), QColor::fromRgb(current.ground));
    painter.restore();

    // Each edge on its own, so that the painter clips to a rectangle: it
    // draws images into a clip of several rectangles by another way, which
    // rounds their edges otherwise.
    const QRect left = edgeStrip(columns, origin.x()), top = edgeStrip(rows, origin.y());
    const QRect edges[] = { QRect(left.left(), pixels.top(), left.width(), pixels.height()) & pixels,
                            QRect(pixels.left(), top.left(), pixels.width(), top.width()) & pixels };
    for (const QRect& edge : edges) {
        if (edge.isEmpty())
            continue;
        // The clip is set in device pixels; it stays there under the
        // painter's own transform.
        painter.save();
        const QTransform world = painter.worldTransform();
        painter.setWorldTransform(transform.inverted() * world);
        painter.setClipRect(edge.translated(origin));
        painter.setWorldTransform(world);
        drawDirectly(painter,
                     transform.inverted().mapRect(QRectF(edge.translated(origin))).toAlignedRect().adjusted(-1, -1, 1, 1));
        painter.restore();
    }
}

void LayerCache::evict(const QRect& usedChunks, qint64 needed, qint64 limit)
{
    if (usedBytes + needed <= limit)
        return;
    const auto distance = [&](int a, int b) {
        const int across = std::max({ 0, usedChunks.left() - a, a - usedChunks.right() });
        const int down = std::max({ 0, usedChunks.top() - b, b - usedChunks.bottom() });
        return std::max(across, down);
    };
    std::vector<std::pair<int, Chunk*>> idle;
    for (int b = 0; b < chunkRows(); ++b) {
        for (int a = 0; a < chunkColumns(); ++a) {
            Chunk& chunk = chunkAt(a, b);
            if (!chunk.image.isNull() && chunk.lastUse != paints)
                idle.emplace_back(distance(a, b), &chunk);
        }
    }
    std::sort(idle.begin(), idle.end(), [](const auto& x, const auto& y) {
        return x.first != y.first ? x.first > y.first : x.second->lastUse < y.second->lastUse;
    });
    for (auto it = idle.begin(); it != idle.end() && usedBytes + needed > limit; ++it)
        release(*it->second);
}

void LayerCache::prepare(Chunk& chunk, int chunkColumn, int chunkRow)
{
    chunk.pixels = chunkPixels(chunkColumn, chunkRow);
    chunk.cells = chunkCells(chunkColumn, chunkRow);
    const qint64 bytes = imageBytes(chunk.pixels.size());
    const auto fits = std::find_if(spare.begin(), spare.end(),
                                   [&](const PageBlock& block) { return qint64(block.size()) >= bytes; });
    if (fits != spare.end()) {
        spareBytes -= qint64(fits->size());
        chunk.memory = std::move(*fits);
        spare.erase(fits);
    } else {
        // Room for a chunk of any zoom, so that the block serves the next
        // zoom too; pages never written take no memory.
        chunk.memory = PageBlock(
            size_t(std::max(bytes, imageBytes(QSize(ChunkSidePixels + 16, ChunkSidePixels + 16)))));
    }
    chunk.image = QImage(chunk.memory.data(), chunk.pixels.width(), chunk.pixels.height(),
                         qsizetype(chunk.pixels.width()) * 4, current.format);
}

void LayerCache::build(Chunk& chunk, const PicturesOf& picturesOf, const Draw& draw) const
{
    chunk.drawn.resize(size_t(chunk.cells.width()) * size_t(chunk.cells.height()));
    picturesOf(chunk.cells, chunk.drawn.data());
    chunk.changed = false;
    redraw(chunk, chunk.pixels, draw);
}

void LayerCache::refresh(Chunk& chunk, const QRect& area, const PicturesOf& picturesOf, const Draw& draw) const
{
    // Every pixel that a changed cell paints now or painted before lies in
    // its area; drawing the areas of changed cells again, with every cell
    // and line that meets them, leaves the chunk as if drawn afresh. Only
    // the changed cells whose areas meet `area` are drawn now. One left for
    // later is remembered as a picture that no cell has, so that its whole
    // area is drawn when needed, whatever the cell shows by then.
    CellPicture unknown;
    unknown.bottomTile = INT_MIN;
    // The pixels of the chunk that each cell paints, along each axis, as
    // first and last pixel; a cell paints its area, both spans, and none
    // where either is empty.
    const auto spans = [](const Axis& axis, int first, int count, int from, int to) {
        std::vector<std::pair<int, int>> reach(static_cast<size_t>(count));
        for (int k = 0; k < count; ++k) {
            reach[size_t(k)] = { std::max(axis.starts[size_t(first + k)], from),
                                 std::min(axis.ends[size_t(first + k)] - 1, to) };
        }
        return reach;
    };
    const QRect& cells = chunk.cells;
    const auto across = spans(columns, cells.left(), cells.width(), chunk.pixels.left(), chunk.pixels.right());
    const auto down = spans(rows, cells.top(), cells.height(), chunk.pixels.top(), chunk.pixels.bottom());

    // The changed cells, by their place in `drawn`, and what they show now;
    // one column of pictures at a time, so that those compared stay in cache.
    std::vector<std::pair<size_t, CellPicture>> changes;
    std::vector<CellPicture> column(size_t(cells.height()));
    for (int x = 0; x < cells.width(); ++x) {
        picturesOf(QRect(cells.left() + x, cells.top(), 1, cells.height()), column.data());
        const size_t start = size_t(x) * column.size();
        for (size_t y = 0; y < column.size(); ++y) {
            if (column[y] != chunk.drawn[start + y])
                changes.emplace_back(start + y, column[y]);
        }
    }
    chunk.changed = false;
    if (changes.empty())
        return;
    const auto placeOf = [&](size_t at) { return std::make_pair(at / column.size(), at % column.size()); };

    // The changed cells whose areas meet `area`, as a rectangle of cells
    // (x and y from the chunk's first cell).
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (const auto& change : changes) {
        const auto [x, y] = placeOf(change.first);
        const auto [x0, x1] = across[x];
        const auto [y0, y1] = down[y];
        if (std::max(x0, area.left()) <= std::min(x1, area.right())
            && std::max(y0, area.top()) <= std::min(y1, area.bottom())) {
            left = std::min(left, int(x));
            right = std::max(right, int(x));
            top = std::min(top, int(y));
            bottom = std::max(bottom, int(y));
        }
    }
    const QRect pixels = left > right
        ? QRect()
        : cellArea(QRect(QPoint(left, top), QPoint(right, bottom)).translated(cells.topLeft())) & chunk.pixels;
    redraw(chunk, pixels, draw);
    for (const auto& [at, now] : changes) {
        const auto [x, y] = placeOf(at);
        const auto [x0, x1] = across[x];
        const auto [y0, y1] = down[y];
        const bool none = x0 > x1 || y0 > y1;
        if (none || (x0 >= pixels.left() && x1 <= pixels.right() && y0 >= pixels.top() && y1 <= pixels.bottom())) {
            chunk.drawn[at] = now;
        } else {
            chunk.drawn[at] = unknown;
            chunk.changed = true;
        }
    }
}

void LayerCache::redraw(Chunk& chunk, const QRect& pixels, const Draw& draw) const
{
    if (pixels.isEmpty())
        return;
    const QRect local = pixels.translated(-chunk.pixels.topLeft());
    const DevicePixels chunkDevice { device.scale, device.dx - chunk.pixels.left(), device.dy - chunk.pixels.top() };
    draw(chunk.image, chunkDevice, local);
}

void LayerCache::release(Chunk& chunk)
{
    usedBytes -= imageBytes(chunk.image.size());
    chunk.image = QImage();
    chunk.drawn = std::vector<CellPicture>();
    spareBytes += qint64(chunk.memory.size());
    spare.push_back(std::move(chunk.memory));
}

void LayerCache::setImages(const QList<qint64>& keys)
{
    if (keys == images)
        return;
    images = keys;
    for (Chunk& chunk : chunks)
        chunk.changed = true;
}

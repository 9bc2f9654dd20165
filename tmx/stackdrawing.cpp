#include "tmx/stackdrawing.h"

#include "tmx/tileartwork.h"

#include <QPainter>

#include <cstring>

namespace {

// The image mirrored over its top-left to bottom-right diagonal.
QImage transposed(const QImage& image)
{
    QImage result(image.height(), image.width(), image.format());
    for (int y = 0; y < result.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            line[x] = reinterpret_cast<const QRgb*>(image.constScanLine(x))[y];
    }
    return result;
}

// Tiled flips over the diagonal first, then horizontally and vertically.
QImage flipped(const QImage& tile, quint32 gid)
{
    const QImage turned = gid & TmxFlipDiagonal ? transposed(tile) : tile;
    return turned.mirrored(gid & TmxFlipHorizontal, gid & TmxFlipVertical);
}

// Each pixel of the result takes the source pixel under its centre; a
// centre on the line between two pixels takes the one above or left of
// it, as Qt's painter does when it draws a scaled image without smoothing.
QImage scaledNearest(const QImage& image, const QSize& size)
{
    if (image.size() == size)
        return image;
    QImage result(size, image.format());
    std::vector<int> columns(size_t(size.width()));
    for (int x = 0; x < size.width(); ++x)
        columns[size_t(x)] = int(((2 * qint64(x) + 1) * image.width() - 1) / (2 * qint64(size.width())));
    for (int y = 0; y < size.height(); ++y) {
        const int sourceRow = int(((2 * qint64(y) + 1) * image.height() - 1) / (2 * qint64(size.height())));
        const QRgb* from = reinterpret_cast<const QRgb*>(image.constScanLine(sourceRow));
        QRgb* to = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            to[x] = from[columns[size_t(x)]];
    }
    return result;
}

} // namespace

void drawTileStack(const std::vector<StackPiece>& stack, const TileArtwork& art, const QSize& cellSize,
                   const QSize& tile, QImage* target, const QPoint& at)
{
    QImage cell(cellSize, QImage::Format_ARGB32_Premultiplied);
    cell.fill(Qt::transparent);
    {
        QPainter painter(&cell);
        for (const StackPiece& piece : stack) {
            const TileDrawing drawing = art.drawing(piece.gid & TmxTileIdMask);
            painter.setOpacity(piece.opacity);
            const QPoint corner(piece.x, piece.y);
            if (piece.gid & TmxFlipFlags)
                painter.drawImage(corner, flipped(drawing.image->copy(drawing.source), piece.gid));
            else
                painter.drawImage(corner, *drawing.image, drawing.source);
        }
    }
    const QImage scaled = scaledNearest(cell, tile);
    const size_t lineBytes = size_t(tile.width()) * sizeof(QRgb);
    for (int y = 0; y < tile.height(); ++y)
        std::memcpy(target->scanLine(at.y() + y) + size_t(at.x()) * sizeof(QRgb), scaled.constScanLine(y),
                    lineBytes);
}

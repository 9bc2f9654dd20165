#pragma once

#include "render/narrowtile.h"
#include "render/scaledtiles.h"

#include <QImage>
#include <QPoint>
#include <QRect>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// A premultiplied pixel composited over another as QPainter's default
// composition mode does it, to the same rounding.
inline QRgb compositeOver(QRgb source, QRgb destination)
{
    const quint32 alpha = qAlpha(source);
    if (alpha == 255)
        return source;
    if (source == 0)
        return destination;
    // Each channel of the destination times 255 - alpha, divided by 255 and
    // rounded, two channels at a time.
    const quint32 remaining = 255 - alpha;
    quint32 redBlue = (destination & 0xff00ff) * remaining;
    redBlue = ((redBlue + ((redBlue >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
    quint32 alphaGreen = ((destination >> 8) & 0xff00ff) * remaining;
    alphaGreen = (alphaGreen + ((alphaGreen >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
    return source + (alphaGreen | redBlue);
}

// Each of `count` premultiplied pixels composited over the one below it as
// compositeOver() does, whose arithmetic is exact for every pixel without
// its shortcuts: four at a time where the processor has SSE2.
inline void compositeRun(QRgb* line, const QRgb* source, int count)
{
    int k = 0;
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi16(0x80);
    const __m128i full = _mm_set1_epi16(255);
    // The remaining weight of each pixel's alpha in all four of its 16-bit
    // channels: (255 - alpha) for two pixels at a time.
    const auto remaining = [&](__m128i pixels) {
        __m128i alpha = _mm_shufflelo_epi16(pixels, _MM_SHUFFLE(3, 3, 3, 3));
        alpha = _mm_shufflehi_epi16(alpha, _MM_SHUFFLE(3, 3, 3, 3));
        return _mm_sub_epi16(full, alpha);
    };
    const auto blend = [&](__m128i below, __m128i weight) {
        const __m128i product = _mm_mullo_epi16(below, weight);
        return _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(product, _mm_srli_epi16(product, 8)), half), 8);
    };
    for (; k + 4 <= count; k += 4) {
        const __m128i over = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k));
        const __m128i below = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + k));
        const __m128i low = blend(_mm_unpacklo_epi8(below, zero), remaining(_mm_unpacklo_epi8(over, zero)));
        const __m128i high = blend(_mm_unpackhi_epi8(below, zero), remaining(_mm_unpackhi_epi8(over, zero)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(line + k), _mm_add_epi32(over, _mm_packus_epi16(low, high)));
    }
#endif
    for (; k < count; ++k)
        line[k] = compositeOver(source[k], line[k]);
}

// Copies a few pixels in place, where a call of memcpy would cost more than
// the copy.
inline void copyPixels(QRgb* to, const QRgb* from, int count)
{
    int k = 0;
    for (; k + 4 <= count; k += 4)
        std::memcpy(to + k, from + k, 4 * sizeof(QRgb));
    for (; k < count; ++k)
        to[k] = from[k];
}

// Each of `count` pixels, every one clear or opaque, put over the one below
// it: an opaque pixel replaces it and a clear one leaves it, as
// compositeOver() does; four at a time where the processor has SSE2.
inline void copyCutout(QRgb* line, const QRgb* source, int count)
{
    int k = 0;
#ifdef __SSE2__
    for (; k + 4 <= count; k += 4) {
        // A clear pixel is 0, and an opaque one's alpha sets its sign bit.
        const __m128i over = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k));
        const __m128i below = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + k));
        const __m128i opaque = _mm_srai_epi32(over, 31);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(line + k), _mm_or_si128(over, _mm_andnot_si128(opaque, below)));
    }
#endif
    for (; k < count; ++k) {
        if (source[k])
            line[k] = source[k];
    }
}

// The pixels of a 32-bit premultiplied (or opaque) image whose top-left
// pixel lies at `origin`, written only within `clip`: what the canvas's
// drawing does to them, done pixel by pixel with QPainter's arithmetic.
// Coordinates are the canvas's.
class PixelTarget
{
public:
    PixelTarget(QImage& image, const QPoint& origin, const QRect& clip)
        : PixelTarget(reinterpret_cast<QRgb*>(image.bits()), image.bytesPerLine() / qsizetype(sizeof(QRgb)), origin,
                      clip)
    {
    }

    PixelTarget(QRgb* bits, qsizetype stride, const QPoint& origin, const QRect& clip)
        : bits(bits)
        , stride(stride)
        , origin(origin)
        , left(clip.left())
        , top(clip.top())
        , right(clip.right() + 1)
        , bottom(clip.bottom() + 1)
    {
    }

    // Every pixel of `area` made a premultiplied colour.
    void fill(const QRect& area, QRgb colour)
    {
        const int x0 = std::max(area.left(), left), x1 = std::min(area.right() + 1, right);
        for (int row = std::max(area.top(), top); row < std::min(area.bottom() + 1, bottom) && x0 < x1; ++row) {
            QRgb* line = pixel(x0, row);
            std::fill(line, line + (x1 - x0), colour);
        }
    }

    // A premultiplied colour composited over every pixel of `area`.
    void blend(const QRect& area, QRgb colour)
    {
        const int x0 = std::max(area.left(), left), x1 = std::min(area.right() + 1, right);
        const int y0 = std::max(area.top(), top), y1 = std::min(area.bottom() + 1, bottom);
        for (int row = y0; row < y1 && x0 < x1; ++row) {
            QRgb* line = pixel(x0, row);
            if (qAlpha(colour) == 255) {
                std::fill(line, line + (x1 - x0), colour);
            } else {
                for (int k = 0; k < x1 - x0; ++k)
                    line[k] = compositeOver(colour, line[k]);
            }
        }
    }

    // A scaled tile composited over its pixels from (x, y) on.
    void composite(int x, int y, const ScaledTiles::Tile& tile)
    {
        if (tile.coverage == ScaledTiles::Coverage::Clear)
            return;
        const bool whole = x >= left && y >= top && x + tile.width <= right && y + tile.height <= bottom;
        if (whole && (tile.coverage == ScaledTiles::Coverage::Opaque || tile.width <= NarrowTile)) {
            compositeWhole(x, y, tile);
            return;
        }
        // Columns from and to, relative to the tile.
        const int from = std::max(x, left) - x, to = std::min(x + tile.width, right) - x;
        const int y0 = std::max(y, top), y1 = std::min(y + tile.height, bottom);
        if (from >= to)
            return;
        for (int row = y0; row < y1; ++row) {
            // Both indexed by the column in the tile, from `from` on.
            const QRgb* source = tile.pixels + (row - y) * tile.stride + from;
            QRgb* line = pixel(x + from, row);
            if (tile.coverage == ScaledTiles::Coverage::Opaque) {
                copyPixels(line, source, to - from);
                continue;
            }
            const ScaledTiles::Run* run = tile.runs.data() + tile.rowRuns[size_t(row - y)];
            const ScaledTiles::Run* end = tile.runs.data() + tile.rowRuns[size_t(row - y) + 1];
            for (; run != end; ++run) {
                const int a = std::max(int(run->start), from) - from;
                const int b = std::min(int(run->start) + int(run->length), to) - from;
                if (run->opaque) {
                    copyPixels(line + a, source + a, b - a);
                } else {
                    compositeRun(line + a, source + a, b - a);
                }
            }
        }
    }

    // The columns of `spans` (each from its first to before its second
    // column, in increasing order) of every row from `y0` to before `y1`,
    // composited over with a premultiplied colour; row by row, so that the
    // pixels are visited in memory order.
    void blendColumns(const std::vector<std::pair<int, int>>& spans, int y0, int y1, QRgb colour)
    {
        // The columns within the clip, found once for every row.
        std::vector<int> columns;
        const auto first = std::lower_bound(spans.begin(), spans.end(), left,
                                            [](const std::pair<int, int>& span, int x) { return span.second <= x; });
        for (auto span = first; span != spans.end() && span->first < right; ++span) {
            for (int x = std::max(span->first, left); x < std::min(span->second, right); ++x)
                columns.push_back(x - left);
        }
        for (int row = std::max(y0, top); row < std::min(y1, bottom); ++row) {
            QRgb* line = pixel(left, row);
            if (qAlpha(colour) == 255) {
                for (const int x : columns)
                    line[x] = colour;
            } else {
                for (const int x : columns)
                    line[x] = compositeOver(colour, line[x]);
            }
        }
    }

private:
    // A narrow tile's rows are laid whole, masked when each pixel is clear
    // or opaque and blended otherwise: the blend too leaves clear pixels as
    // they are and gives opaque ones their own colour, and a row of a few
    // pixels goes quicker than its runs one by one.
    static constexpr int NarrowTile = 16;

    // An opaque or narrow tile that lies wholly within the clip, as
    // composite() does it, without clipping each row: most tiles of a
    // picture of small cells.
    void compositeWhole(int x, int y, const ScaledTiles::Tile& tile)
    {
        const QRgb* source = tile.pixels;
        QRgb* line = pixel(x, y);
        if (tile.coverage != ScaledTiles::Coverage::Opaque) {
            compositeNarrowTile(line, stride, source, tile.stride, tile.width, tile.height,
                                tile.coverage == ScaledTiles::Coverage::Cutout);
            return;
        }
        for (int row = 0; row < tile.height; ++row, source += tile.stride, line += stride)
            copyPixels(line, source, tile.width);
    }

    QRgb* pixel(int x, int y) { return bits + (y - origin.y()) * stride + (x - origin.x()); }

    QRgb* bits;
    qsizetype stride;
    QPoint origin;
    int left, top, right, bottom; // right and bottom just outside
};

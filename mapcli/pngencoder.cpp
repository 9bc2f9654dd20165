#include "mapcli/pngencoder.h"

#include <QImage>
#include <QtEndian>

#include <libdeflate.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

// IDAT chunks of this size at most: one large chunk is valid, but readers
// that check a chunk's CRC before using it hold less at a time.
constexpr qsizetype IdatBytes = qsizetype(1) << 20;

enum Filter : uchar { None = 0, Sub = 1, Up = 2, Average = 3, Paeth = 4 };

struct Compressor
{
    explicit Compressor(int level)
        : handle(libdeflate_alloc_compressor(level))
    {
    }
    ~Compressor() { libdeflate_free_compressor(handle); }
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;

    libdeflate_compressor* handle;
};

void appendChunk(QByteArray& file, const char* type, const uchar* data, qsizetype size)
{
    uchar length[4];
    qToBigEndian(quint32(size), length);
    file.append(reinterpret_cast<const char*>(length), 4);
    const qsizetype start = file.size();
    file.append(type, 4);
    file.append(reinterpret_cast<const char*>(data), size);
    uchar crc[4];
    qToBigEndian(quint32(libdeflate_crc32(0, file.constData() + start, size_t(size + 4))), crc);
    file.append(reinterpret_cast<const char*>(crc), 4);
}

bool opaque(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) != 255)
                return false;
        }
    }
    return true;
}

// One row's bytes, 3 or 4 a pixel, in PNG's order of channels, not
// premultiplied.
void packRow(const QRgb* pixels, int width, int channels, bool premultiplied, uchar* out)
{
    for (int x = 0; x < width; ++x, out += channels) {
        const QRgb pixel = premultiplied && qAlpha(pixels[x]) != 255 ? qUnpremultiply(pixels[x]) : pixels[x];
        out[0] = uchar(qRed(pixel));
        out[1] = uchar(qGreen(pixel));
        out[2] = uchar(qBlue(pixel));
        if (channels == 4)
            out[3] = uchar(qAlpha(pixel));
    }
}

uchar paeth(int left, int above, int aboveLeft)
{
    const int estimate = left + above - aboveLeft;
    const int toLeft = std::abs(estimate - left), toAbove = std::abs(estimate - above);
    const int toAboveLeft = std::abs(estimate - aboveLeft);
    if (toLeft <= toAbove && toLeft <= toAboveLeft)
        return uchar(left);
    return uchar(toAbove <= toAboveLeft ? above : aboveLeft);
}

// `row` filtered by `filter` against the row above it into `out`.
void filterRow(Filter filter, const uchar* row, const uchar* above, qsizetype length, int channels, uchar* out)
{
    for (qsizetype i = 0; i < length; ++i) {
        const int left = i >= channels ? row[i - channels] : 0;
        const int up = above[i];
        const int upLeft = i >= channels ? above[i - channels] : 0;
        int predicted = 0;
        switch (filter) {
        case None:
            break;
        case Sub:
            predicted = left;
            break;
        case Up:
            predicted = up;
            break;
        case Average:
            predicted = (left + up) / 2;
            break;
        case Paeth:
            predicted = paeth(left, up, upLeft);
            break;
        }
        out[i] = uchar(row[i] - predicted);
    }
}

// The filter that leaves the smallest sum of bytes taken as signed, the
// usual guess at what compresses best.
Filter bestFilter(const uchar* row, const uchar* above, qsizetype length, int channels, std::vector<uchar>& scratch)
{
    Filter best = None;
    qint64 bestSum = -1;
    for (Filter filter : { None, Sub, Up, Average, Paeth }) {
        filterRow(filter, row, above, length, channels, scratch.data());
        qint64 sum = 0;
        for (qsizetype i = 0; i < length; ++i)
            sum += scratch[size_t(i)] < 128 ? scratch[size_t(i)] : 256 - scratch[size_t(i)];
        if (bestSum < 0 || sum < bestSum) {
            best = filter;
            bestSum = sum;
        }
    }
    return best;
}

// The image's rows, each after its filter byte: unfiltered for speed (on a
// map's picture, whose tiles repeat, plain rows compress as well as any
// filter), each row's best filter for size.
std::vector<uchar> scanlines(const QImage& pixels, int channels, PngCompression compression)
{
    const bool premultiplied = pixels.format() == QImage::Format_ARGB32_Premultiplied;
    const qsizetype rowBytes = qsizetype(pixels.width()) * channels;
    std::vector<uchar> data(size_t((rowBytes + 1) * pixels.height()));
    const auto bytes = size_t(rowBytes);
    std::vector<uchar> row(bytes), above(bytes, 0), scratch(bytes);
    for (int y = 0; y < pixels.height(); ++y) {
        uchar* out = data.data() + (rowBytes + 1) * y;
        const QRgb* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        if (compression == PngCompression::Fast) {
            out[0] = None;
            packRow(line, pixels.width(), channels, premultiplied, out + 1);
            continue;
        }
        packRow(line, pixels.width(), channels, premultiplied, row.data());
        const Filter filter = bestFilter(row.data(), above.data(), rowBytes, channels, scratch);
        out[0] = filter;
        filterRow(filter, row.data(), above.data(), rowBytes, channels, out + 1);
        row.swap(above);
    }
    return data;
}

} // namespace

QByteArray pngFileBytes(const QImage& image, PngCompression compression)
{
    // Rows of 4 bytes a pixel must stay within what a PNG reader allocates.
    if (image.isNull() || image.width() > (1 << 24) || image.height() > (1 << 24))
        return QByteArray();
    // Read as they are where they are 32-bit ARGB, premultiplied or not.
    const QImage::Format format = image.format();
    const QImage pixels = format == QImage::Format_ARGB32_Premultiplied || format == QImage::Format_ARGB32
            || format == QImage::Format_RGB32
        ? image
        : image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (pixels.isNull())
        return QByteArray();
    const int channels = opaque(pixels) ? 3 : 4;
    const std::vector<uchar> raw = scanlines(pixels, channels, compression);

    // Level 1 of libdeflate compresses faster than zlib's fastest level and
    // smaller than its default one; 12 is its smallest.
    const Compressor compressor(compression == PngCompression::Fast ? 1 : 12);
    if (!compressor.handle)
        return QByteArray();
    std::vector<uchar> stream(libdeflate_zlib_compress_bound(compressor.handle, raw.size()));
    const size_t streamBytes
        = libdeflate_zlib_compress(compressor.handle, raw.data(), raw.size(), stream.data(), stream.size());
    if (streamBytes == 0)
        return QByteArray();

    QByteArray file;
    file.reserve(qsizetype(streamBytes) + qsizetype(streamBytes) / IdatBytes * 12 + 64);
    file.append("\x89PNG\r\n\x1a\n", 8);
    uchar header[13];
    qToBigEndian(quint32(pixels.width()), header);
    qToBigEndian(quint32(pixels.height()), header + 4);
    header[8] = 8; // bits per channel
    header[9] = channels == 3 ? 2 : 6; // RGB or RGBA
    header[10] = 0; // deflate
    header[11] = 0; // adaptive filtering
    header[12] = 0; // not interlaced
    appendChunk(file, "IHDR", header, sizeof header);
    for (size_t at = 0; at < streamBytes; at += size_t(IdatBytes))
        appendChunk(file, "IDAT", stream.data() + at, qsizetype(std::min(streamBytes - at, size_t(IdatBytes))));
    appendChunk(file, "IEND", nullptr, 0);
    return file;
}

#include "render/pngencoder.h"

#include "render/hugepages.h"

#include <QImage>
#include <QtConcurrent/QtConcurrentRun>
#include <QtEndian>

#include <isa-l/igzip_lib.h>
#include <libdeflate.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

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

// Writes the length and the type of the chunk whose `size` bytes of data
// lie after them at `at`, and its CRC after the data; returns the end of the
// chunk.
uchar* finishChunk(uchar* at, const char* type, quint32 size)
{
    qToBigEndian(size, at);
    std::memcpy(at + 4, type, 4);
    qToBigEndian(quint32(libdeflate_crc32(0, at + 4, size_t(size) + 4)), at + 8 + size);
    return at + 12 + size;
}

bool opaque(const QImage& image)
{
    const int width = image.width();
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (qAlpha(line[x]) != 255)
                return false;
        }
    }
    return true;
}

// One row's bytes, `Channels` a pixel, in PNG's order of channels, not
// premultiplied.
template<int Channels>
void packRow(const QRgb* pixels, int width, bool premultiplied, uchar* out)
{
    for (int x = 0; x < width; ++x, out += Channels) {
        const QRgb pixel = premultiplied && qAlpha(pixels[x]) != 255 ? qUnpremultiply(pixels[x]) : pixels[x];
        out[0] = uchar(qRed(pixel));
        out[1] = uchar(qGreen(pixel));
        out[2] = uchar(qBlue(pixel));
        if (Channels == 4)
            out[3] = uchar(qAlpha(pixel));
    }
}

void packRow(const QRgb* pixels, int width, int channels, bool premultiplied, uchar* out)
{
    if (channels == 3)
        packRow<3>(pixels, width, premultiplied, out);
    else
        packRow<4>(pixels, width, premultiplied, out);
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

// The image's rows, each after its filter byte: each row's best filter,
// for size. Every byte is written: the buffer is not cleared first.
std::unique_ptr<uchar[]> filteredRows(const QImage& pixels, int channels)
{
    const bool premultiplied = pixels.format() == QImage::Format_ARGB32_Premultiplied;
    const qsizetype rowBytes = qsizetype(pixels.width()) * channels;
    const auto size = size_t((rowBytes + 1) * pixels.height());
    std::unique_ptr<uchar[]> data(new uchar[size]);
    const auto bytes = size_t(rowBytes);
    std::vector<uchar> packed(bytes), above(bytes, 0), scratch(bytes);
    for (int y = 0; y < pixels.height(); ++y) {
        uchar* out = data.get() + (rowBytes + 1) * y;
        packRow(reinterpret_cast<const QRgb*>(pixels.constScanLine(y)), pixels.width(), channels, premultiplied,
                packed.data());
        const Filter filter = bestFilter(packed.data(), above.data(), rowBytes, channels, scratch);
        out[0] = filter;
        filterRow(filter, packed.data(), above.data(), rowBytes, channels, out + 1);
        packed.swap(above);
    }
    return data;
}

// The image's rows, each after its filter byte, compressed into one zlib
// stream written into `file` from `at` on, the file growing as needed;
// returns the stream's end, or -1. Rows go unfiltered (on a map's picture,
// whose tiles repeat, plain rows compress as well as any filter), packed a
// band at a time on another core while the band before is compressed, so
// that no copy of the whole picture is made. Level 2 of ISA-L's igzip
// compresses map pictures more than twice as fast as libdeflate's fastest
// level, and smaller.
qsizetype igzipRows(const QImage& pixels, int channels, QByteArray& file, qsizetype at)
{
    const bool premultiplied = pixels.format() == QImage::Format_ARGB32_Premultiplied;
    const qsizetype rowBytes = qsizetype(pixels.width()) * channels + 1;
    // Bands that stay in the core's cache between packing and compressing.
    const int bandRows = int(std::max<qsizetype>(1, (qsizetype(256) << 10) / rowBytes));
    std::vector<uchar> bands[2] = { std::vector<uchar>(size_t(rowBytes * bandRows)),
                                    std::vector<uchar>(size_t(rowBytes * bandRows)) };
    const auto pack = [&](int top, std::vector<uchar>& band) {
        for (int y = top; y < std::min(top + bandRows, pixels.height()); ++y) {
            uchar* out = band.data() + rowBytes * (y - top);
            out[0] = None;
            packRow(reinterpret_cast<const QRgb*>(pixels.constScanLine(y)), pixels.width(), channels, premultiplied,
                    out + 1);
        }
    };

    std::vector<uchar> levelBuffer(ISAL_DEF_LVL2_DEFAULT);
    isal_zstream stream;
    isal_deflate_init(&stream);
    stream.level = 2;
    stream.level_buf = levelBuffer.data();
    stream.level_buf_size = quint32(levelBuffer.size());
    stream.gzip_flag = IGZIP_ZLIB;
    qsizetype end = at;
    pack(0, bands[0]);
    for (int top = 0, current = 0; top < pixels.height(); top += bandRows, current ^= 1) {
        const int next = top + bandRows;
        QFuture<void> packing;
        if (next < pixels.height())
            packing = QtConcurrent::run([&, next, current] { pack(next, bands[current ^ 1]); });
        stream.next_in = bands[current].data();
        stream.avail_in = quint32(rowBytes * (std::min(next, pixels.height()) - top));
        stream.end_of_stream = next >= pixels.height();
        bool failed = false;
        const auto pending = [&] {
            return stream.avail_in > 0 || (stream.end_of_stream && stream.internal_state.state != ZSTATE_END);
        };
        while (!failed && pending()) {
            if (file.size() - end < 4096)
                file.resize(file.size() + std::max<qsizetype>(file.size() / 4, 1 << 20));
            // One call gives at most 4 GB.
            const quint32 room = quint32(std::min<qsizetype>(file.size() - end, qsizetype(1) << 30));
            stream.next_out = reinterpret_cast<uchar*>(file.data()) + end;
            stream.avail_out = room;
            failed = isal_deflate(&stream) != COMP_OK;
            end += room - stream.avail_out;
        }
        packing.waitForFinished();
        if (failed)
            return -1;
    }
    return end;
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
    const size_t rawBytes = size_t(qsizetype(pixels.width()) * channels + 1) * size_t(pixels.height());

    // The signature, the header, then the whole stream in one IDAT chunk,
    // compressed straight into the file's bytes, and the end.
    constexpr qsizetype Signature = 8, HeaderChunk = 12 + 13, EndChunk = 12;
    const auto startFile = [&](size_t streamRoom) {
        QByteArray file(Signature + HeaderChunk + 12 + qsizetype(streamRoom) + EndChunk, Qt::Uninitialized);
        preferHugePages(file.data(), size_t(file.size()));
        uchar* const start = reinterpret_cast<uchar*>(file.data());
        std::memcpy(start, "\x89PNG\r\n\x1a\n", Signature);
        uchar* const header = start + Signature + 8;
        qToBigEndian(quint32(pixels.width()), header);
        qToBigEndian(quint32(pixels.height()), header + 4);
        header[8] = 8; // bits per channel
        header[9] = channels == 3 ? 2 : 6; // RGB or RGBA
        header[10] = 0; // deflate
        header[11] = 0; // adaptive filtering
        header[12] = 0; // not interlaced
        finishChunk(start + Signature, "IHDR", 13);
        return file;
    };
    constexpr qsizetype DataAt = Signature + HeaderChunk;
    QByteArray file;
    qsizetype streamBytes = 0;
    if (compression == PngCompression::Fast) {
        // Room for a stream a little larger than the rows; pages never
        // written take no memory.
        file = startFile(rawBytes + rawBytes / 256 + 1024);
        streamBytes = igzipRows(pixels, channels, file, DataAt + 8) - (DataAt + 8);
    } else {
        const Compressor compressor(12); // libdeflate's smallest
        if (!compressor.handle)
            return QByteArray();
        const std::unique_ptr<uchar[]> raw = filteredRows(pixels, channels);
        const size_t bound = libdeflate_zlib_compress_bound(compressor.handle, rawBytes);
        file = startFile(bound);
        streamBytes = qsizetype(libdeflate_zlib_compress(compressor.handle, raw.get(), rawBytes,
                                                         reinterpret_cast<uchar*>(file.data()) + DataAt + 8, bound));
    }
    if (streamBytes <= 0 || streamBytes > 0x7fffffff)
        return QByteArray();
    // A stream that grew the file may have left no room for the chunks
    // after it.
    file.resize(std::max(file.size(), DataAt + 12 + streamBytes + EndChunk));
    uchar* const start = reinterpret_cast<uchar*>(file.data());
    const uchar* const end = finishChunk(finishChunk(start + DataAt, "IDAT", quint32(streamBytes)), "IEND", 0);
    file.resize(end - start);
    return file;
}

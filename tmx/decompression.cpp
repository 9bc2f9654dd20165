#include "tmx/decompression.h"

#include <zlib.h>
#include <zstd.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace {

enum class Inflated { Whole, Damaged, TooLarge };

// zlib's window bits plus 32: a zlib or a gzip header, whichever it finds.
constexpr int AnyZlibHeader = MAX_WBITS + 32;

// Inflates into at most `limit` bytes; one more byte than that counts as
// too large, so that the caller never holds more than it asked for. The
// buffer grows with the output, so that a small file costs little.
Inflated inflateZlib(const QByteArray& packed, qint64 limit, QByteArray* bytes)
{
    z_stream stream {};
    if (inflateInit2(&stream, AnyZlibHeader) != Z_OK)
        return Inflated::Damaged;
    const qint64 most = limit + 1;
    bytes->resize(qsizetype(std::min<qint64>(most, std::max<qint64>(4 * packed.size(), 1 << 16))));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.constData()));
    stream.avail_in = uInt(packed.size());
    qint64 produced = 0;
    bool ended = false;
    for (;;) {
        if (produced == bytes->size()) {
            if (produced == most)
                break;
            bytes->resize(qsizetype(std::min(most, 2 * produced)));
        }
        // avail_out is 32 bits wide: a large output is given in pieces.
        const uInt room = uInt(std::min<qint64>(bytes->size() - produced, std::numeric_limits<uInt>::max()));
        stream.next_out = reinterpret_cast<Bytef*>(bytes->data() + produced);
        stream.avail_out = room;
        const int status = inflate(&stream, Z_NO_FLUSH);
        produced += room - stream.avail_out;
        ended = status == Z_STREAM_END;
        // Concatenated gzip members, as gzip itself writes them, are one
        // file; anything else ends the data, whole or damaged.
        if (!(status == Z_OK || (ended && stream.avail_in > 0 && inflateReset(&stream) == Z_OK)))
            break;
    }
    inflateEnd(&stream);
    bytes->resize(qsizetype(produced));
    if (produced > limit)
        return Inflated::TooLarge;
    return ended && stream.avail_in == 0 ? Inflated::Whole : Inflated::Damaged;
}

Inflated inflateZstd(const QByteArray& packed, qint64 limit, QByteArray* bytes)
{
    const std::unique_ptr<ZSTD_DCtx, size_t (*)(ZSTD_DCtx*)> context(ZSTD_createDCtx(), ZSTD_freeDCtx);
    if (!context)
        return Inflated::Damaged;
    bytes->resize(qsizetype(limit + 1));
    ZSTD_inBuffer in { packed.constData(), size_t(packed.size()), 0 };
    ZSTD_outBuffer out { bytes->data(), size_t(limit + 1), 0 };
    Inflated result = Inflated::Damaged;
    for (;;) {
        const size_t status = ZSTD_decompressStream(context.get(), &out, &in);
        if (ZSTD_isError(status))
            break;
        if (out.pos > size_t(limit)) {
            result = Inflated::TooLarge;
            break;
        }
        // 0 ends a frame; the next frame, if any, goes on in the same call.
        if (in.pos == in.size) {
            if (status == 0)
                result = Inflated::Whole;
            break;
        }
    }
    bytes->resize(qsizetype(out.pos));
    return result;
}

} // namespace

bool inflateExactly(const QByteArray& packed, TmxCompression compression, qint64 size, QByteArray* bytes)
{
    Inflated inflated = Inflated::Whole;
    switch (compression) {
    case TmxCompression::None:
        *bytes = packed;
        break;
    case TmxCompression::Zlib:
    case TmxCompression::Gzip:
        inflated = inflateZlib(packed, size, bytes);
        break;
    case TmxCompression::Zstd:
        inflated = inflateZstd(packed, size, bytes);
        break;
    }
    return inflated == Inflated::Whole && bytes->size() == size;
}

bool isGzipped(const QByteArray& bytes)
{
    return bytes.startsWith("\x1f\x8b");
}

bool gunzipFile(const QByteArray& packed, qint64 maxBytes, QByteArray* bytes, QString* reason)
{
    switch (inflateZlib(packed, maxBytes, bytes)) {
    case Inflated::Whole:
        return true;
    case Inflated::Damaged:
        *reason = QStringLiteral("its gzip data is damaged or cut short");
        return false;
    case Inflated::TooLarge:
        *reason = QStringLiteral("it inflates to more than %1 MB").arg(maxBytes / (1024 * 1024));
        return false;
    }
    return false;
}

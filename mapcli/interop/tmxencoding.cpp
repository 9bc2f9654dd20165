#include "tmxencoding.h"

#include <QByteArray>
#include <QStringList>
#include <QtEndian>

#include <zlib.h>
#include <zstd.h>

namespace {

QByteArray littleEndianIds(const std::vector<quint32>& gids)
{
    QByteArray bytes(qsizetype(gids.size() * 4), Qt::Uninitialized);
    for (size_t i = 0; i < gids.size(); ++i)
        qToLittleEndian(gids[i], bytes.data() + 4 * i);
    return bytes;
}

// zlib's deflate with a zlib (15) or a gzip (15 + 16) header.
QByteArray deflated(const QByteArray& bytes, int windowBits)
{
    z_stream stream {};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
    QByteArray packed(qsizetype(deflateBound(&stream, uLong(bytes.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(packed.data());
    stream.avail_out = uInt(packed.size());
    deflate(&stream, Z_FINISH);
    packed.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return packed;
}

QByteArray zstdCompressed(const QByteArray& bytes)
{
    QByteArray packed(qsizetype(ZSTD_compressBound(size_t(bytes.size()))), Qt::Uninitialized);
    packed.resize(qsizetype(
        ZSTD_compress(packed.data(), size_t(packed.size()), bytes.constData(), size_t(bytes.size()), 3)));
    return packed;
}

} // namespace

QByteArray gzipped(const QByteArray& bytes)
{
    return deflated(bytes, MAX_WBITS + 16);
}

QString tmxDataAttributes(TmxEncoding encoding)
{
    switch (encoding) {
    case TmxEncoding::TileElements:
        return QString();
    case TmxEncoding::Csv:
        return QStringLiteral(" encoding=\"csv\"");
    case TmxEncoding::Base64:
        return QStringLiteral(" encoding=\"base64\"");
    case TmxEncoding::Zlib:
        return QStringLiteral(" encoding=\"base64\" compression=\"zlib\"");
    case TmxEncoding::Gzip:
        return QStringLiteral(" encoding=\"base64\" compression=\"gzip\"");
    case TmxEncoding::Zstd:
        return QStringLiteral(" encoding=\"base64\" compression=\"zstd\"");
    }
    return QString();
}

QString tmxDataContent(const std::vector<quint32>& gids, int width, TmxEncoding encoding)
{
    const QByteArray ids = littleEndianIds(gids);
    switch (encoding) {
    case TmxEncoding::TileElements: {
        QString tiles;
        for (quint32 gid : gids)
            tiles += gid ? QStringLiteral("<tile gid=\"%1\"/>").arg(gid) : QStringLiteral("<tile/>");
        return tiles;
    }
    case TmxEncoding::Csv: {
        QStringList rows;
        for (size_t row = 0; row < gids.size(); row += size_t(width)) {
            QStringList line;
            for (size_t i = row; i < row + size_t(width); ++i)
                line << QString::number(gids[i]);
            rows << line.join(QLatin1Char(','));
        }
        return QLatin1Char('\n') + rows.join(QStringLiteral(",\n")) + QLatin1Char('\n');
    }
    case TmxEncoding::Base64:
        return QString::fromLatin1(ids.toBase64());
    case TmxEncoding::Zlib:
        return QString::fromLatin1(deflated(ids, MAX_WBITS).toBase64());
    case TmxEncoding::Gzip:
        return QString::fromLatin1(gzipped(ids).toBase64());
    case TmxEncoding::Zstd:
        return QString::fromLatin1(zstdCompressed(ids).toBase64());
    }
    return QString();
}

QString tmxDataElement(const std::vector<quint32>& gids, int width, TmxEncoding encoding)
{
    return QStringLiteral("<data%1>%2</data>")
        .arg(tmxDataAttributes(encoding), tmxDataContent(gids, width, encoding));
}

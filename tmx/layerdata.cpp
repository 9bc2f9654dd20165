#include "tmx/layerdata.h"

#include <QByteArray>
#include <QtEndian>

namespace {

bool decodeCsv(QStringView text, qint64 cells, std::vector<quint32>* gids, QString* reason)
{
    gids->clear();
    gids->reserve(size_t(cells));
    const QChar* at = text.begin();
    const QChar* const end = text.end();
    const auto skipSpace = [&] {
        while (at != end && at->isSpace())
            ++at;
    };
    skipSpace();
    while (at != end) {
        if (qint64(gids->size()) == cells) {
            *reason = QStringLiteral("it holds more than its %1 cells").arg(cells);
            return false;
        }
        quint64 value = 0;
        const QChar* const begin = at;
        while (at != end && at->unicode() >= '0' && at->unicode() <= '9' && value <= 0xffffffffu)
            value = value * 10 + (at++->unicode() - '0');
        if (at == begin && (at == end || *at == QLatin1Char(','))) {
            *reason = QStringLiteral("a value is missing between two commas");
            return false;
        }
        if (at == begin || value > 0xffffffffu) {
            const QChar* tokenEnd = begin;
            while (tokenEnd != end && *tokenEnd != QLatin1Char(',') && !tokenEnd->isSpace()
                   && tokenEnd - begin < 20)
                ++tokenEnd;
            *reason = QStringLiteral("\"%1\" is not a tile id").arg(QStringView(begin, tokenEnd).toString());
            return false;
        }
        gids->push_back(quint32(value));
        skipSpace();
        if (at != end && *at == QLatin1Char(',')) {
            ++at;
            skipSpace();
        } else if (at != end) {
            *reason = QStringLiteral("\"%1\" is not a tile id").arg(QString(*at));
            return false;
        }
    }
    if (qint64(gids->size()) != cells) {
        *reason = QStringLiteral("it holds %1 ids for its %2 cells").arg(gids->size()).arg(cells);
        return false;
    }
    return true;
}

} // namespace

bool tmxDataFormat(const QString& encoding, const QString& compression, TmxDataFormat* format,
                   QString* reason)
{
    if (encoding.isEmpty())
        format->encoding = TmxDataFormat::TileElements;
    else if (encoding == QLatin1String("csv"))
        format->encoding = TmxDataFormat::Csv;
    else if (encoding == QLatin1String("base64"))
        format->encoding = TmxDataFormat::Base64;
    else {
        *reason = QStringLiteral("the encoding \"%1\" is not one of TMX's (csv, base64)").arg(encoding);
        return false;
    }
    if (compression.isEmpty())
        format->compression = TmxCompression::None;
    else if (compression == QLatin1String("zlib"))
        format->compression = TmxCompression::Zlib;
    else if (compression == QLatin1String("gzip"))
        format->compression = TmxCompression::Gzip;
    else if (compression == QLatin1String("zstd"))
        format->compression = TmxCompression::Zstd;
    else {
        *reason = QStringLiteral("the compression \"%1\" is not one of TMX's (zlib, gzip, zstd)")
                      .arg(compression);
        return false;
    }
    if (format->compression != TmxCompression::None && format->encoding != TmxDataFormat::Base64) {
        *reason = QStringLiteral("only base64 data can be compressed");
        return false;
    }
    return true;
}

bool decodeLayerData(QStringView text, const TmxDataFormat& format, qint64 cells, std::vector<quint32>* gids,
                     QString* reason)
{
    if (format.encoding == TmxDataFormat::Csv)
        return decodeCsv(text, cells, gids, reason);

    // Base64 skips the line breaks and indentation around it.
    const QByteArray packed = QByteArray::fromBase64(text.toLatin1());
    QByteArray bytes;
    if (!inflateExactly(packed, format.compression, cells * 4, &bytes)) {
        *reason = format.compression == TmxCompression::None
            ? QStringLiteral("it holds %1 bytes for its %2 cells of 4 bytes").arg(bytes.size()).arg(cells)
            : QStringLiteral("it does not inflate to its %1 cells of 4 bytes").arg(cells);
        return false;
    }
    gids->resize(size_t(cells));
    for (qint64 i = 0; i < cells; ++i)
        (*gids)[size_t(i)] = qFromLittleEndian<quint32>(bytes.constData() + 4 * i);
    return true;
}

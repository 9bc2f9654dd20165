#pragma once

#include "tmx/decompression.h"

#include <QString>
#include <QStringView>

#include <vector>

// How the cells of a TMX layer are written in its <data> element: as
// <tile gid="..."> elements, as comma-separated ids, or as base64 of
// little-endian 32-bit ids, compressed or not.
struct TmxDataFormat
{
    enum Encoding { TileElements, Csv, Base64 };
    Encoding encoding = TileElements;
    TmxCompression compression = TmxCompression::None;
};

// The format the encoding and compression attributes of <data> name; false
// with the reason for one that TMX does not have.
bool tmxDataFormat(const QString& encoding, const QString& compression, TmxDataFormat* format,
                   QString* reason);

// Decodes the text of a CSV or base64 <data> (or <chunk>) into exactly
// `cells` global ids. False with the reason when it holds another number of
// ids, a value that is no id, or compressed data that does not inflate to
// that many.
bool decodeLayerData(QStringView text, const TmxDataFormat& format, qint64 cells, std::vector<quint32>* gids,
                     QString* reason);

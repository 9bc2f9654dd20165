#pragma once

#include <QByteArray>
#include <QString>

// How the data of a TMX layer is compressed.
enum class TmxCompression { None, Zlib, Gzip, Zstd };

// Inflates `packed` into exactly `size` bytes. False when the data is
// damaged or cut short, or gives fewer or more bytes than `size`: never more
// than size + 1 bytes are produced, however much the data would give.
// Zlib and gzip data are told apart by their header, as Tiled does.
bool inflateExactly(const QByteArray& packed, TmxCompression compression, qint64 size, QByteArray* bytes);

// Whether the bytes start like a gzip file.
bool isGzipped(const QByteArray& bytes);

// Inflates a whole gzip file of at most `maxBytes` inflated bytes; the
// reason on failure.
bool gunzipFile(const QByteArray& packed, qint64 maxBytes, QByteArray* bytes, QString* reason);

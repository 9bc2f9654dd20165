#pragma once

#include "mapfile/fileio.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// A tile-set image file read whole into memory, not yet decoded. Reading
// never waits on the file (see ReadableFile) and takes at most a bounded
// number of bytes; the image's size comes from its header, so that an image
// too large to decode is refused before anything is decoded.
struct TileSetFile
{
    QByteArray bytes;
    QSize size;
    // Bytes of the decoded image in the decoder's own format.
    qint64 decodedBytes = 0;
};

// How many bytes all the tile-set images of one map may take decoded
// together, four a pixel.
constexpr qint64 TileSetImagesBudgetBytes = qint64(512) * 1024 * 1024;

// Largest tile-set image file read: far above any real tile set.
constexpr qint64 MaxTileSetFileBytes = qint64(256) * 1024 * 1024;

// Reads an opened tile-set image file and looks at its header. On failure
// returns false with the real cause in *reason: a file that cannot be read
// without waiting or is too large, an image format Qt cannot read, or an
// image too large for Qt's decoding limit.
bool readTileSetFile(ReadableFile& opened, TileSetFile* file, QString* reason);

// Decodes what readTileSetFile() read; a null image and the cause (damaged
// or cut-short data, too little memory) on failure.
QImage decodeTileSetFile(const TileSetFile& file, QString* reason);

// Whole megabytes, rounded up, for the messages about image sizes.
qint64 megabytesRoundedUp(qint64 bytes);

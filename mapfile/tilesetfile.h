#pragma once

#include "mapfile/fileio.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// A tile-set image file read whole into memory, not yet decoded. Reading
// never waits on the file (see ReadableFile) and takes at most a bounded
// number of bytes; what a decoder would keep beside the pixels is dropped
// from the bytes (see stripImageMetadata). The image's size comes from its
// header, so that an image too large to decode is refused before anything
// is decoded.
struct TileSetFile
{
    QByteArray bytes;
    // The size of the image as decoded: for a GIF its screen, not its first
    // frame.
    QSize size;
    // Bytes the decoded image takes, at least four a pixel as it is held.
    qint64 decodedBytes = 0;
};

// How many bytes all the tile-set images of one map may take decoded
// together, four a pixel.
constexpr qint64 TileSetImagesBudgetBytes = qint64(512) * 1024 * 1024;

// Largest tile-set image file read: far above any real tile set.
constexpr qint64 MaxTileSetFileBytes = qint64(256) * 1024 * 1024;
// Most scans a JPEG may have. A progressive JPEG needs about ten; each scan
// makes the decoder go over the whole image again, so a file that repeats
// one thousands of times takes minutes to decode.
constexpr int MaxJpegScans = 100;

// Reads an opened tile-set image file and looks at its header. On failure
// returns false with the real cause in *reason: a file that cannot be read
// without waiting or is too large, an image format Qt cannot read, a JPEG
// of too many scans, or an image too large for Qt's decoding limit.
bool readTileSetFile(ReadableFile& opened, TileSetFile* file, QString* reason);

// Decodes what readTileSetFile() read into an image of at most `maxBytes`:
// a decoder about to allocate more is stopped before it does (to within a
// megabyte), and an image that turns out larger than its header said is
// dropped. On failure a null image and the cause (damaged or cut-short
// data, too little memory); when the image does not fit in maxBytes,
// *tooLarge is set and file->size and file->decodedBytes say what it takes.
QImage decodeTileSetFile(TileSetFile* file, qint64 maxBytes, bool* tooLarge, QString* reason);

// Whole megabytes, rounded up, for the messages about image sizes.
qint64 megabytesRoundedUp(qint64 bytes);

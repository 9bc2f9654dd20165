#pragma once

#include <QByteArray>
#include <QSize>

// What an image file's bytes hold that Qt's header reading does not tell:
// parts a decoder would keep beside the pixels, how many scans a JPEG makes
// its decoder run, and the screen a GIF is really decoded onto.

// Removes in place what Qt's decoders would keep with the image without
// ever drawing it, and stores the number of scans of a JPEG in *jpegScans
// (0 for another format). Removed: a JPEG's comments and application
// segments (Exif, ICC profiles and the like; the JFIF and Adobe segments,
// which decoding reads, stay) and a PNG's text chunks. A file padded with
// hundreds of megabytes of them would otherwise keep them all, and more, in
// memory. Bytes that do not follow the format are left for the decoder.
void stripImageMetadata(QByteArray* bytes, int* jpegScans);

// The logical screen of a GIF, onto which Qt decodes even a small first
// frame; a side of 0 is taken from the frame. Invalid for another format.
QSize gifScreenSize(const QByteArray& bytes, const QSize& frame);

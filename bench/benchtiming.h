#pragma once

#include <QSize>

#include <functional>

// Median wall-clock time of `runs` calls of `work`, in milliseconds, after
// one call that is not counted (it fills caches and builds what is built
// once).
double medianMilliseconds(int runs, const std::function<void()>& work);

// The floors: what the least possible work of a figure costs on this
// machine, measured the same way.

// Copying `pixels` through QPainter from one premultiplied image to another,
// as a backing store receives a finished picture.
double copyPixelsMilliseconds(const QSize& pixels, int runs);

// Copying `bytes` bytes in memory.
double copyBytesMilliseconds(qint64 bytes, int runs);

// Writing `bytes` bytes to a new file in `folder` and syncing it to disk,
// as a save that must not lose the file has to.
double writeFileMilliseconds(const QString& folder, qint64 bytes, int runs);

// Reading these files whole.
double readFilesMilliseconds(const QStringList& files, int runs);

// The resident set of this process (VmRSS), in megabytes.
double residentMegabytes();

// Growth of the resident set when `bytes` bytes are allocated and filled.
double fillBytesMegabytes(qint64 bytes);

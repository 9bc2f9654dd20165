#pragma once

#include <QByteArray>
#include <QString>

// Files are refused by kind before anything is opened for good: a FIFO, a
// device or a folder never blocks a read nor gets replaced by a save. The
// reasons are short texts of our own, meant for a second line under a
// message that already names the path. A path holding a NUL character is
// refused by all three, since the system would quietly cut it short.

// Largest file readRegularFile() takes by default: far above any map file
// or tile-set image, low enough that a stray huge file cannot exhaust memory.
constexpr qint64 DefaultMaxReadBytes = qint64(512) * 1024 * 1024;

// Reads a regular file (symlinks followed) whole into *bytes. Refuses FIFOs,
// devices, sockets, folders and files above maxBytes without reading.
bool readRegularFile(const QString& path, QByteArray* bytes, QString* reason,
                     qint64 maxBytes = DefaultMaxReadBytes);

// Whether the path names an existing regular file (symlinks followed);
// the reason when not.
bool isRegularFile(const QString& path, QString* reason);

// Replaces the file at `path` by `bytes` atomically: the old content stays
// byte for byte unless every new byte has reached the disk. Refuses an empty
// path, a missing parent folder, a path through a file, a folder, FIFO or
// device, and a read-only target before writing anything. A replaced file
// keeps its permissions; a symlink stays a link and its target is replaced.
bool saveFileAtomically(const QString& path, const QByteArray& bytes, QString* reason);

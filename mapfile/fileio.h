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

// Which file on disk, as it was when opened: the same identity means the
// same file, unchanged.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = -1;
    qint64 modified = 0; // nanoseconds

    bool operator==(const FileIdentity& other) const
    {
        return device == other.device && inode == other.inode && size == other.size && modified == other.modified;
    }
};

// The identity of the file at `path` now (symlinks followed); the identity
// of no file (size -1) when there is none.
FileIdentity fileIdentity(const QString& path);

// A regular file (symlinks followed), opened once for reading in a way that
// never waits: a FIFO, a device, a folder or a socket is refused by kind
// before it is opened and again on the opened descriptor, so that swapping
// one in under the path changes nothing. A pseudo-file is refused at once:
// one of the kernel's file systems (/proc, /sys) when opened, and any other
// file that gives more bytes than its size says, or whose reading would
// block, when read.
class ReadableFile
{
public:
    ReadableFile() = default;
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;
    ~ReadableFile();

    bool open(const QString& path, QString* reason);
    const FileIdentity& identity() const { return id; }
    // The whole content; refuses, without reading, a file above maxBytes.
    bool readAll(QByteArray* bytes, QString* reason, qint64 maxBytes = DefaultMaxReadBytes);

private:
    int fd = -1;
    FileIdentity id;
};

// Reads a regular file whole into *bytes, as ReadableFile does.
bool readRegularFile(const QString& path, QByteArray* bytes, QString* reason,
                     qint64 maxBytes = DefaultMaxReadBytes);

// Whether the path names an existing regular file (symlinks followed);
// the reason when not.
bool isRegularFile(const QString& path, QString* reason);

// Makes a write past the file-size limit (ulimit -f) fail with EFBIG, which
// a save reports as it reports a full disk, instead of the signal SIGXFSZ
// killing the program and its unsaved map. Both programs call it first.
void ignoreFileSizeSignal();

// Replaces the file at `path` by `bytes` atomically: the old content stays
// byte for byte unless every new byte has reached the disk. Refuses an empty
// path, a missing parent folder, a path through a file, a folder, FIFO or
// device, and a read-only target before writing anything. A replaced file
// keeps its permission bits, also when root replaces a read-only one; a
// symlink stays a link and its target is replaced.
bool saveFileAtomically(const QString& path, const QByteArray& bytes, QString* reason);

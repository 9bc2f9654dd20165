#include "mapfile/fileio.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace {

bool setReason(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
    return false;
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why a path cannot name a file at all; empty when it can. The system calls
// would stop at a NUL and quietly use a different, shorter path.
QString pathProblem(const QString& path)
{
    if (path.isEmpty())
        return QStringLiteral("no file name was given");
    if (path.contains(QChar(0)))
        return QStringLiteral("the file name holds a NUL character");
    return QString();
}

// Why a file of this kind is not taken; empty for a regular file.
QString kindProblem(mode_t mode)
{
    if (S_ISREG(mode))
        return QString();
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a FIFO, not a regular file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a regular file");
    return QStringLiteral("it is not a regular file");
}

// Why a file on this file system is not taken; empty for a real one. The
// kernel's own file systems make up their files as they are read: a size of
// 0 can hide gigabytes (/proc/self/pagemap), and reading may take minutes.
QString fileSystemProblem(int fd)
{
    struct statfs info;
    if (::fstatfs(fd, &info) != 0)
        return QString();
    switch (info.f_type) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case BPF_FS_MAGIC:
        return QStringLiteral(
            "it is a pseudo-file of the system (as under /proc or /sys), not an ordinary file");
    default:
        return QString();
    }
}

// Why nothing can be created at a path that does not exist yet, from the
// error of stat() on it; empty when its folder exists, so that it can.
QString missingTargetProblem(const QString& path, int statError)
{
    if (statError == ENOTDIR)
        return QStringLiteral("a part of its path is not a folder");
    if (statError != ENOENT)
        return systemError(statError);
    const QString folder = QFileInfo(path).absolutePath();
    struct stat info;
    if (::stat(QFile::encodeName(folder).constData(), &info) != 0)
        return errno == ENOENT ? QStringLiteral("its folder does not exist")
                               : QStringLiteral("its folder cannot be reached: %1").arg(systemError(errno));
    if (!S_ISDIR(info.st_mode))
        return QStringLiteral("a part of its path is not a folder");
    return QString();
}

// Why a save to this path is refused before anything is written; empty when
// it may go ahead.
QString targetProblem(const QString& path)
{
    const QString problem = pathProblem(path);
    if (!problem.isEmpty())
        return problem;
    const QByteArray nativePath = QFile::encodeName(path);
    struct stat info;
    if (::stat(nativePath.constData(), &info) != 0)
        return missingTargetProblem(path, errno);
    const QString kind = kindProblem(info.st_mode);
    if (!kind.isEmpty())
        return kind;
    if (::faccessat(AT_FDCWD, nativePath.constData(), W_OK, AT_EACCESS) != 0)
        return errno == EROFS ? QStringLiteral("the file system is read-only")
                              : QStringLiteral("the file is read-only");
    return QString();
}

// What the system said about a failed file operation, after our own words.
QString withCause(const QString& what, const QFileDevice& file)
{
    const QString cause = file.error() == QFileDevice::NoError ? QString() : file.errorString();
    return cause.isEmpty() ? what : QStringLiteral("%1: %2").arg(what, cause);
}

QString withCause(const QString& what, int error)
{
    return error == 0 ? what + QStringLiteral(" (is the disk full?)")
                      : QStringLiteral("%1: %2").arg(what, systemError(error));
}

// Writes the buffer through an open QSaveFile. Qt does not report every
// fault on its own: a large write() can come back short without an error,
// and commit() ignores a flush or sync that fails, so each is checked here.
QString writeChecked(QSaveFile* file, const QByteArray& bytes)
{
    // Qt keeps no reason for a failed write; errno, read at once, has it.
    errno = 0;
    if (file->write(bytes) != bytes.size())
        return withCause(QStringLiteral("not all of the data could be written"), errno);
    if (!file->flush())
        return withCause(QStringLiteral("the data could not be written out"), errno);
    if (::fsync(file->handle()) != 0)
        return QStringLiteral("the data could not be synced to disk: %1").arg(systemError(errno));
    return QString();
}

FileIdentity identityOf(const struct stat& info)
{
    return { quint64(info.st_dev), quint64(info.st_ino), qint64(info.st_size),
             qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec };
}

} // namespace

FileIdentity fileIdentity(const QString& path)
{
    struct stat info;
    if (!pathProblem(path).isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return FileIdentity();
    return identityOf(info);
}

bool isRegularFile(const QString& path, QString* reason)
{
    const QString problem = pathProblem(path);
    if (!problem.isEmpty())
        return setReason(reason, problem);
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return setReason(reason,
                         errno == ENOENT ? QStringLiteral("the file does not exist") : systemError(errno));
    const QString kind = kindProblem(info.st_mode);
    return kind.isEmpty() || setReason(reason, kind);
}

ReadableFile::~ReadableFile()
{
    if (fd >= 0)
        ::close(fd);
}

bool ReadableFile::open(const QString& path, QString* reason)
{
    if (!isRegularFile(path, reason))
        return false;
    // Should the path be swapped for a FIFO after the check, the open still
    // returns at once, and the descriptor's own kind is checked again.
    fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return setReason(reason, errno == ENOENT ? QStringLiteral("the file does not exist") : systemError(errno));
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return setReason(reason, systemError(errno));
    QString problem = kindProblem(info.st_mode);
    if (problem.isEmpty())
        problem = fileSystemProblem(fd);
    if (!problem.isEmpty())
        return setReason(reason, problem);
    id = identityOf(info);
    return true;
}

bool ReadableFile::readAll(QByteArray* bytes, QString* reason, qint64 maxBytes)
{
    if (id.size > maxBytes)
        return setReason(reason, QStringLiteral("the file is too large (%1 bytes)").arg(id.size));
    QByteArray content;
    content.reserve(qsizetype(id.size));
    char chunk[65536];
    // One byte beyond the size is asked for: a file that gives it is not
    // what its size says, and is refused before it costs more than a read.
    for (qint64 wanted = id.size + 1; wanted > 0;) {
        const ssize_t got = ::read(fd, chunk, size_t(std::min<qint64>(wanted, qint64(sizeof chunk))));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && errno == EAGAIN)
            return setReason(reason, QStringLiteral("it cannot be read without waiting: it is not an ordinary file"));
        if (got < 0)
            return setReason(reason, QStringLiteral("the file could not be read: %1").arg(systemError(errno)));
        if (got == 0)
            break;
        wanted -= got;
        content.append(chunk, got);
    }
    if (content.size() > id.size)
        return setReason(reason,
                         QStringLiteral("it gives more bytes than its size of %1 says: it is a pseudo-file "
                                        "or is being written, not an ordinary file")
                             .arg(id.size));
    *bytes = std::move(content);
    return true;
}

bool readRegularFile(const QString& path, QByteArray* bytes, QString* reason, qint64 maxBytes)
{
    ReadableFile file;
    return file.open(path, reason) && file.readAll(bytes, reason, maxBytes);
}

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

bool saveFileAtomically(const QString& path, const QByteArray& bytes, QString* reason)
{
    const QString problem = targetProblem(path);
    if (!problem.isEmpty())
        return setReason(reason, problem);

    QSaveFile file(path);
    // Writing in place when no temporary file can be made would risk the old
    // content, which is the one thing a save must not do.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return setReason(reason, withCause(QStringLiteral("no temporary file could be created beside it"), file));
    // QSaveFile gives the new file the old one's permissions as Qt reads
    // them, which for root counts every file as writable: a read-only map
    // would come back 0644. The mode is taken from the file itself.
    struct stat old;
    if (::stat(QFile::encodeName(path).constData(), &old) == 0
        && ::fchmod(file.handle(), old.st_mode & 0777) != 0) {
        const int error = errno;
        file.cancelWriting();
        file.commit();
        return setReason(reason,
                         QStringLiteral("its permissions could not be kept: %1").arg(systemError(error)));
    }
    const QString writeProblem = writeChecked(&file, bytes);
    if (!writeProblem.isEmpty()) {
        file.cancelWriting();
        file.commit();
        return setReason(reason, writeProblem);
    }
    if (!file.commit())
        return setReason(reason, withCause(QStringLiteral("the file could not be replaced"), file));
    return true;
}

#include "mapfile/fileio.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray oldContent = "0\n1 1\n-1 -1 0\n-1 -1 0\n";

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

mode_t modeOf(const QString& path, bool followLinks = true)
{
    struct stat info;
    const QByteArray native = QFile::encodeName(path);
    const int result = followLinks ? ::stat(native.constData(), &info) : ::lstat(native.constData(), &info);
    return result == 0 ? info.st_mode : 0;
}

// A map-sized buffer of empty cell records.
QByteArray mapOfSize(int bytes)
{
    QByteArray map = "0\n1 1\n";
    while (map.size() < bytes)
        map += "-1 -1 0\n";
    return map;
}

// Unmounts a file system mounted for one test, whatever the test's outcome.
class MountGuard
{
public:
    explicit MountGuard(const QString& path)
        : path(QFile::encodeName(path))
    {
    }
    ~MountGuard() { ::umount2(path.constData(), MNT_DETACH); }

private:
    QByteArray path;
};

// Limits the size of files this process may write, with SIGXFSZ ignored so
// that a write past the limit fails with EFBIG or comes back short.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &oldLimit);
        rlimit limit = oldLimit;
        limit.rlim_cur = bytes;
        active = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &oldLimit);
        std::signal(SIGXFSZ, oldHandler);
    }
    bool isActive() const { return active; }

private:
    rlimit oldLimit;
    void (*oldHandler)(int);
    bool active = false;
};

} // namespace

class TestFileIo : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void savesNewFile();
    void replacesFile();
    void refusesBadTargets_data();
    void refusesBadTargets();
    void refusesReadOnlyTarget_data();
    void refusesReadOnlyTarget();
    void keepsFileMode_data();
    void keepsFileMode();
    void writesThroughSymlink();
    void keepsOldFileOnFullDisk_data();
    void keepsOldFileOnFullDisk();
    void keepsOldFileOnShortWrite_data();
    void keepsOldFileOnShortWrite();
    void readsRegularFiles_data();
    void readsRegularFiles();
    void refusesFifoWithoutBlocking();

private:
    std::unique_ptr<QTemporaryDir> dir;
};

void TestFileIo::init()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

void TestFileIo::cleanup()
{
    dir.reset();
}

void TestFileIo::savesNewFile()
{
    const QString path = dir->filePath("new.map");
    QString reason;
    QVERIFY2(saveFileAtomically(path, oldContent, &reason), qPrintable(reason));
    QCOMPARE(contentOf(path), oldContent);
    QCOMPARE(entriesOf(dir->path()), QStringList { "new.map" });
}

void TestFileIo::replacesFile()
{
    const QString path = dir->filePath("set.map");
    QVERIFY(writeFile(path, mapOfSize(100000)));
    QString reason;
    QVERIFY2(saveFileAtomically(path, oldContent, &reason), qPrintable(reason));
    QCOMPARE(contentOf(path), oldContent);
    QCOMPARE(entriesOf(dir->path()), QStringList { "set.map" });
}

void TestFileIo::refusesBadTargets_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty path") << "empty"
                                << "no file name was given";
    // The system would stop at the NUL and replace old.map itself.
    QTest::newRow("NUL in the name") << "nul"
                                     << "the file name holds a NUL character";
    QTest::newRow("missing parent folder") << "missing parent"
                                           << "its folder does not exist";
    QTest::newRow("parent is a file") << "parent file"
                                      << "a part of its path is not a folder";
    QTest::newRow("target is a folder") << "folder"
                                        << "it is a folder";
    QTest::newRow("target is a FIFO") << "fifo"
                                      << "it is a FIFO, not a regular file";
    QTest::newRow("target is a device") << "device"
                                        << "it is a device, not a regular file";
}

void TestFileIo::refusesBadTargets()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    // A file beside every target, to see that nothing else is touched.
    const QString neighbour = dir->filePath("old.map");
    QVERIFY(writeFile(neighbour, oldContent));
    QString target;
    QString watched = dir->path();
    mode_t expectedType = 0;
    if (kind == "nul") {
        target = neighbour + QChar(0) + "x";
    } else if (kind == "missing parent") {
        target = dir->filePath("nowhere/set.map");
    } else if (kind == "parent file") {
        target = neighbour + "/set.map";
    } else if (kind == "folder") {
        target = dir->filePath("folder.map");
        QVERIFY(QDir(dir->path()).mkdir("folder.map"));
        expectedType = S_IFDIR;
    } else if (kind == "fifo") {
        target = dir->filePath("pipe.map");
        QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0644), 0);
        expectedType = S_IFIFO;
    } else if (kind == "device") {
        // A private copy of /dev/null where we may make one, so that a fault
        // could never replace the system's own.
        target = dir->filePath("null.map");
        if (::mknod(QFile::encodeName(target).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0) {
            target = "/dev/null";
            watched = "/dev";
        }
        expectedType = S_IFCHR;
    }
    const QStringList before = entriesOf(watched);

    QString message;
    QVERIFY(!saveFileAtomically(target, mapOfSize(20000), &message));
    QCOMPARE(message, reason);
    QCOMPARE(entriesOf(watched), before);
    QCOMPARE(contentOf(neighbour), oldContent);
    if (expectedType != 0)
        QCOMPARE(modeOf(target) & S_IFMT, expectedType);
    if (kind == "folder")
        QVERIFY(entriesOf(target).isEmpty());
}

void TestFileIo::refusesReadOnlyTarget_data()
{
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<QString>("reason");
    QTest::newRow("read-only file in a writable folder") << 0444 << 0777 << "the file is read-only";
    // Writing in place would be possible here, but would risk the old file.
    QTest::newRow("writable file in a read-only folder")
        << 0666 << 0555 << "no temporary file could be created beside it: Permission denied";
}

void TestFileIo::refusesReadOnlyTarget()
{
    QFETCH(int, fileMode);
    QFETCH(int, folderMode);
    QFETCH(QString, reason);
    const QString path = dir->filePath("locked.map");
    const QByteArray nativeFolder = QFile::encodeName(dir->path());
    QVERIFY(writeFile(path, oldContent));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(fileMode)), 0);
    const QStringList before = entriesOf(dir->path());
    QCOMPARE(::chmod(nativeFolder.constData(), mode_t(folderMode)), 0);

    bool saved = true;
    QString message;
    if (::geteuid() != 0) {
        saved = saveFileAtomically(path, mapOfSize(100), &message);
    } else {
        // Root may write anyway, so the save runs as 'nobody' in a child
        // process, which hands back its result through a pipe.
        const uid_t nobody = 65534;
        int channel[2];
        QCOMPARE(::pipe(channel), 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            ::close(channel[0]);
            if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
                ::_exit(3);
            QString childReason;
            const bool childSaved = saveFileAtomically(path, mapOfSize(100), &childReason);
            const QByteArray text = childReason.toUtf8();
            const bool sent = ::write(channel[1], text.constData(), text.size()) == text.size();
            ::_exit(sent ? (childSaved ? 1 : 0) : 4);
        }
        ::close(channel[1]);
        QByteArray text;
        char buffer[256];
        for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
            text.append(buffer, got);
        ::close(channel[0]);
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        if (WEXITSTATUS(status) == 3)
            QSKIP("cannot switch to the unprivileged user 'nobody'");
        QVERIFY(WEXITSTATUS(status) <= 1);
        saved = WEXITSTATUS(status) == 1;
        message = QString::fromUtf8(text);
    }
    QCOMPARE(::chmod(nativeFolder.constData(), 0700), 0);
    QVERIFY(!saved);
    QCOMPARE(message, reason);
    QCOMPARE(contentOf(path), oldContent);
    QCOMPARE(entriesOf(dir->path()), before);
}

void TestFileIo::keepsFileMode_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("private 0600") << 0600;
    QTest::newRow("group-readable 0640") << 0640;
    QTest::newRow("executable 0755") << 0755;
    QTest::newRow("group-writable 0664") << 0664;
    QTest::newRow("read-only 0444, which root may replace") << 0444;
}

void TestFileIo::keepsFileMode()
{
    QFETCH(int, mode);
    if (!(mode & 0200) && ::geteuid() != 0)
        QSKIP("only root may replace a read-only file");
    const QString path = dir->filePath("set.map");
    QVERIFY(writeFile(path, oldContent));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
    QString reason;
    QVERIFY2(saveFileAtomically(path, mapOfSize(300), &reason), qPrintable(reason));
    QCOMPARE(contentOf(path), mapOfSize(300));
    QCOMPARE(int(modeOf(path) & 07777), mode);
}

void TestFileIo::writesThroughSymlink()
{
    QVERIFY(QDir(dir->path()).mkdir("real"));
    const QString target = dir->filePath("real/set.map");
    const QString link = dir->filePath("link.map");
    QVERIFY(writeFile(target, oldContent));
    QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0640), 0);
    QVERIFY(QFile::link("real/set.map", link));

    QString reason;
    QVERIFY2(saveFileAtomically(link, mapOfSize(500), &reason), qPrintable(reason));
    QVERIFY(S_ISLNK(modeOf(link, false)));
    QCOMPARE(QFile::symLinkTarget(link), target);
    QCOMPARE(contentOf(target), mapOfSize(500));
    QCOMPARE(int(modeOf(target) & 07777), 0640);
    QCOMPARE(entriesOf(dir->path()), QStringList({ "link.map", "real" }));
    QCOMPARE(entriesOf(dir->filePath("real")), QStringList { "set.map" });
}

void TestFileIo::keepsOldFileOnFullDisk_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<bool>("fill");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("cause");
    // Qt buffers up to 16 KB: a smaller map reaches the disk only at the
    // flush, a larger one in write() itself.
    QTest::newRow("full, map below 16 KB") << 6000 << QByteArray("size=64k") << true << false
                                           << "No space left on device";
    QTest::newRow("full, map above 16 KB") << 40000 << QByteArray("size=64k") << true << false
                                           << "No space left on device";
    QTest::newRow("no free inodes") << 6000 << QByteArray("size=1m,nr_inodes=2") << false << false
                                    << "no temporary file could be created beside it: No space left on device";
    QTest::newRow("read-only mount") << 6000 << QByteArray("size=64k") << false << true
                                     << "the file system is read-only";
}

void TestFileIo::keepsOldFileOnFullDisk()
{
    QFETCH(int, size);
    QFETCH(QByteArray, options);
    QFETCH(bool, fill);
    QFETCH(bool, readOnly);
    QFETCH(QString, cause);
    if (::geteuid() != 0)
        QSKIP("mounting a small file system needs root");
    const QString mountPoint = dir->filePath("small");
    QVERIFY(QDir(dir->path()).mkdir("small"));
    const QByteArray nativeMountPoint = QFile::encodeName(mountPoint);
    if (::mount("tmpfs", nativeMountPoint.constData(), "tmpfs", 0, options.constData()) != 0)
        QSKIP("cannot mount a tmpfs here");
    MountGuard guard(mountPoint);

    const QString path = mountPoint + "/set.map";
    QVERIFY(writeFile(path, oldContent));
    if (fill) {
        QFile filler(mountPoint + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) { }
        while (filler.write("x", 1) == 1) { }
    }
    if (readOnly) {
        QCOMPARE(::mount("tmpfs", nativeMountPoint.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                         options.constData()),
                 0);
    }
    const QStringList before = entriesOf(mountPoint);

    QString reason;
    QVERIFY(!saveFileAtomically(path, mapOfSize(size), &reason));
    // The system's own words say why.
    QVERIFY2(reason.endsWith(cause), qPrintable(reason));
    QCOMPARE(contentOf(path), oldContent);
    QCOMPARE(entriesOf(mountPoint), before);
}

void TestFileIo::keepsOldFileOnShortWrite_data()
{
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("reason");
    QTest::newRow("failing flush of a small map")
        << 1000 << 6000 << "the data could not be written out: File too large";
    QTest::newRow("short write of a large map")
        << 30000 << 60000 << "not all of the data could be written: File too large";
}

void TestFileIo::keepsOldFileOnShortWrite()
{
    QFETCH(int, limit);
    QFETCH(int, size);
    QFETCH(QString, reason);
    const QString path = dir->filePath("set.map");
    QVERIFY(writeFile(path, oldContent));
    const QByteArray map = mapOfSize(size);
    bool saved = true;
    QString message;
    {
        FileSizeLimit sizeLimit { rlim_t(limit) };
        if (!sizeLimit.isActive())
            QSKIP("cannot limit the file size");
        saved = saveFileAtomically(path, map, &message);
    }
    QVERIFY(!saved);
    QCOMPARE(message, reason);
    QCOMPARE(contentOf(path), oldContent);
    QCOMPARE(entriesOf(dir->path()), QStringList { "set.map" });
}

void TestFileIo::readsRegularFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<qint64>("maxBytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("regular file") << "set.map" << DefaultMaxReadBytes << QString();
    QTest::newRow("symlink to a regular file") << "link.map" << DefaultMaxReadBytes << QString();
    QTest::newRow("exactly the size limit") << "set.map" << qint64(oldContent.size()) << QString();
    QTest::newRow("one byte over the size limit")
        << "set.map" << qint64(oldContent.size() - 1)
        << QString("the file is too large (%1 bytes)").arg(oldContent.size());
    QTest::newRow("folder") << "folder" << DefaultMaxReadBytes << "it is a folder";
    QTest::newRow("missing file") << "none.map" << DefaultMaxReadBytes << "the file does not exist";
    QTest::newRow("dangling symlink") << "dangling.map" << DefaultMaxReadBytes << "the file does not exist";
    QTest::newRow("device") << "/dev/zero" << DefaultMaxReadBytes << "it is a device, not a regular file";
    QTest::newRow("empty path") << "" << DefaultMaxReadBytes << "no file name was given";
    QTest::newRow("pseudo-file giving gigabytes for a size of 0")
        << "/proc/self/pagemap" << DefaultMaxReadBytes
        << "it is a pseudo-file of the system (as under /proc or /sys), not an ordinary file";
    QTest::newRow("NUL after a real file's name")
        << QString("set.map" + QString(QChar(0)) + "x") << DefaultMaxReadBytes
        << "the file name holds a NUL character";
}

void TestFileIo::readsRegularFiles()
{
    QFETCH(QString, name);
    QFETCH(qint64, maxBytes);
    QFETCH(QString, reason);
    QVERIFY(writeFile(dir->filePath("set.map"), oldContent));
    QVERIFY(QFile::link("set.map", dir->filePath("link.map")));
    QVERIFY(QFile::link("none.map", dir->filePath("dangling.map")));
    QVERIFY(QDir(dir->path()).mkdir("folder"));
    const QString path = name.isEmpty() || name.startsWith('/') ? name : dir->filePath(name);

    QByteArray bytes = "untouched";
    QString message;
    const bool read = readRegularFile(path, &bytes, &message, maxBytes);
    QString kindMessage;
    const bool regular = isRegularFile(path, &kindMessage);
    if (reason.isEmpty()) {
        QVERIFY2(read, qPrintable(message));
        QCOMPARE(bytes, oldContent);
        QVERIFY2(regular, qPrintable(kindMessage));
    } else {
        QVERIFY(!read);
        QCOMPARE(message, reason);
        QCOMPARE(bytes, QByteArray("untouched"));
        // A file too large or a pseudo-file is still a regular file by kind.
        if (!reason.startsWith("the file is too large") && !reason.contains("pseudo-file")) {
            QVERIFY(!regular);
            QCOMPARE(kindMessage, reason);
        }
    }
}

void TestFileIo::refusesFifoWithoutBlocking()
{
    const QString path = dir->filePath("pipe.map");
    const QByteArray native = QFile::encodeName(path);
    QCOMPARE(::mkfifo(native.constData(), 0644), 0);
    // A non-blocking open for writing succeeds only while someone has the
    // FIFO open for reading. Should the read wait for a writer, this thread
    // releases it and counts that, so a fault fails the test instead of
    // hanging it.
    std::atomic<bool> done { false };
    std::atomic<int> readersSeen { 0 };
    std::thread rescuer([&] {
        while (!done) {
            const int fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ++readersSeen;
                ::close(fd);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    QByteArray bytes;
    QString reason;
    const bool read = readRegularFile(path, &bytes, &reason);
    QString kindReason;
    const bool regular = isRegularFile(path, &kindReason);
    done = true;
    rescuer.join();
    QCOMPARE(readersSeen.load(), 0);
    QVERIFY(!read);
    QCOMPARE(reason, QString("it is a FIFO, not a regular file"));
    QVERIFY(!regular);
    QCOMPARE(kindReason, reason);
}

QTEST_GUILESS_MAIN(TestFileIo)
#include "tst_fileio.moc"

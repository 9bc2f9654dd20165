#include "mapfile/tilesetfile.h"
#include "document/tilesetimagestore.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <cstdio>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

// Reading tile-set images: every refusal names its real cause, the same
// file is decoded once, the images held stay within their budget, and no
// file can make a load wait.
class TestTileSetImages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void refusalsNameTheCause_data();
    void refusalsNameTheCause();
    void sameFileDecodedOnce();
    void budgetRefusesBeforeDecoding();
    void hostileImagesCountedOrRefused_data();
    void drawnImageCountedInBudget_data();
    void drawnImageCountedInBudget();
    void hostileImagesCountedOrRefused();
    void fifoSwappedInNeverBlocks();

private:
    QString writeImage(const QString& name, const QSize& size, QImage::Format format = QImage::Format_RGB32);
    QString writeBytes(const QString& name, const QByteArray& bytes);

    std::unique_ptr<QTemporaryDir> dir;
};

void TestTileSetImages::initTestCase()
{
    dir = std::make_unique<QTemporaryDir>();
    QVERIFY(dir->isValid());
}

QString TestTileSetImages::writeImage(const QString& name, const QSize& size, QImage::Format format)
{
    QImage image(size, format);
    image.fill(Qt::darkGreen);
    const QString path = dir->filePath(name);
    return image.save(path, "PNG") ? path : QString();
}

QString TestTileSetImages::writeBytes(const QString& name, const QByteArray& bytes)
{
    const QString path = dir->filePath(name);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? path : QString();
}

void TestTileSetImages::refusalsNameTheCause_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("cause");

    // 5000 x 5000 pixels of 16-bit colour: 200 MB decoded, beyond Qt's limit,
    // in a file of a few hundred kilobytes.
    QTest::newRow("beyond the decoder's limit")
        << writeImage(QStringLiteral("deep.png"), QSize(5000, 5000), QImage::Format_RGBA64)
        << QStringLiteral("the image is 5000 x 5000 pixels, 191 MB decoded, more than the 128 MB an image may take");
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QImage(200, 200, QImage::Format_RGB32).save(&buffer, "PNG");
    }
    QTest::newRow("cut short") << writeBytes(QStringLiteral("cut.png"), png.left(png.size() / 2))
                               << QStringLiteral("the image data is damaged or cut short");
    QTest::newRow("text") << writeBytes(QStringLiteral("text.png"), "just some words\n")
                          << QStringLiteral("it is not an image that can be read (PNG, JPEG or BMP)");
    QTest::newRow("empty") << writeBytes(QStringLiteral("empty.png"), QByteArray())
                           << QStringLiteral("it is not an image that can be read (PNG, JPEG or BMP)");
    QTest::newRow("smaller than a tile") << writeImage(QStringLiteral("narrow.png"), QSize(39, 400))
                                         << QStringLiteral("the image is 39 x 400 pixels, smaller than one 40 x 40 tile");
    QTest::newRow("a folder") << dir->path() << QStringLiteral("it is a folder");
    QTest::newRow("missing") << dir->filePath(QStringLiteral("none.png")) << QStringLiteral("the file does not exist");
}

void TestTileSetImages::refusalsNameTheCause()
{
    QFETCH(QString, file);
    QFETCH(QString, cause);
    QVERIFY(!file.isEmpty());
    TileSetImageStore store;
    QString reason;
    QVERIFY(store.load(file, 40, &reason).isNull());
    QCOMPARE(reason, cause);
    QCOMPARE(store.bytesHeld(), 0);
}

void TestTileSetImages::sameFileDecodedOnce()
{
    const QString path = writeImage(QStringLiteral("grass.png"), QSize(400, 200));
    QVERIFY(!path.isEmpty());
    TileSetImageStore store;
    QString reason;
    QPixmap first = store.load(path, 40, &reason);
    QVERIFY2(!first.isNull(), qPrintable(reason));
    // Through another spelling of the path, the file is the same.
    QPixmap again = store.load(dir->path() + QStringLiteral("/./grass.png"), 40, &reason);
    QCOMPARE(again.cacheKey(), first.cacheKey());
    QCOMPARE(store.bytesHeld(), qint64(400) * 200 * 4);

    // Changed on disk, it is a new image.
    QVERIFY(!writeImage(QStringLiteral("grass.png"), QSize(80, 80)).isEmpty());
    QPixmap changed = store.load(path, 40, &reason);
    QCOMPARE(changed.size(), QSize(80, 80));
    QVERIFY(changed.cacheKey() != first.cacheKey());
    // An image nobody holds any more is let go.
    store.release();
    QCOMPARE(store.bytesHeld(), qint64(400) * 200 * 4 + 80 * 80 * 4);
    first = again = changed = QPixmap();
    store.release();
    QCOMPARE(store.bytesHeld(), 0);
}

void TestTileSetImages::budgetRefusesBeforeDecoding()
{
    // Room for two 400 x 400 images, not three.
    TileSetImageStore store(3 * 400 * 400 * 4 - 1);
    QString reason;
    QList<QPixmap> held;
    for (const char* name : { "a.png", "b.png" })
        held << store.load(writeImage(QString::fromLatin1(name), QSize(400, 400)), 40, &reason);
    QVERIFY(!held[0].isNull() && !held[1].isNull());
    QVERIFY(store.load(writeImage(QStringLiteral("c.png"), QSize(400, 400)), 40, &reason).isNull());
    QCOMPARE(reason, QStringLiteral("the image is 400 x 400 pixels, 1 MB decoded; with the 2 MB of tile sets "
                                    "already loaded that is more than the 2 MB all tile sets may take together"));
    // The same file again costs nothing.
    QVERIFY(!store.load(dir->filePath(QStringLiteral("a.png")), 40, &reason).isNull());
    // Once nobody holds an image, its room is free again.
    held.removeFirst();
    QVERIFY(!store.load(dir->filePath(QStringLiteral("c.png")), 40, &reason).isNull());
}

namespace {

// A GIF whose first frame is `frame` pixels and whose screen, which Qt
// decodes it onto, is `screen`; the frame holds no pixel data.
QByteArray gifFile(const QSize& screen, const QSize& frame)
{
    QByteArray bytes("GIF89a");
    const auto word = [&bytes](int value) { bytes.append(char(value & 0xff)).append(char(value >> 8)); };
    word(screen.width());
    word(screen.height());
    bytes.append("\x80\0\0"
                 "\0\0\0\xff\xff\xff\x2c",
                 10);
    word(0);
    word(0);
    word(frame.width());
    word(frame.height());
    return bytes.append("\0\x02\x01\x2c\0\x3b", 6);
}

QByteArray encoded(const QImage& image, const char* format, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setProgressiveScanWrite(progressive);
    writer.write(image);
    return bytes;
}

QImage plain(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    return image;
}

// A progressive JPEG whose last scan is repeated, as a decoder runs it each time.
QByteArray jpegRepeatingAScan(int repeats)
{
    QByteArray bytes = encoded(plain(200), "jpeg", true);
    const qsizetype lastScan = bytes.lastIndexOf("\xff\xda");
    const QByteArray scan = bytes.mid(lastScan, bytes.size() - 2 - lastScan);
    return bytes.insert(bytes.size() - 2, scan.repeated(repeats));
}

// An 80 x 80 JPEG padded after its start with comment segments of distinct
// keys, as a decoder would keep each of them.
QByteArray jpegPaddedWithComments(int megabytes)
{
    QByteArray padding;
    for (int i = 0; padding.size() < megabytes * 1024 * 1024; ++i) {
        const QByteArray text = "Key" + QByteArray::number(i) + ": " + QByteArray(65000, 'x');
        padding += QByteArray("\xff\xfe", 2) + char((text.size() + 2) >> 8) + char((text.size() + 2) & 0xff)
            + text;
    }
    return encoded(plain(80), "jpeg").insert(2, padding);
}

} // namespace

void TestTileSetImages::hostileImagesCountedOrRefused_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("budget");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<qint64>("bytesAdded");
    const qint64 mb = 1024 * 1024;
    QTest::newRow("GIF screen beyond the budget, small first frame")
        << writeBytes(QStringLiteral("screen.gif"), gifFile(QSize(5700, 5700), QSize(500, 500))) << 100 * mb
        << QStringLiteral(
               "the image is 5700 x 5700 pixels, 124 MB decoded; with the 1 MB of tile sets already "
               "loaded that is more than the 100 MB all tile sets may take together")
        << qint64(0);
    QTest::newRow("GIF screen counted whole")
        << writeBytes(QStringLiteral("wide.gif"), gifFile(QSize(1200, 1000), QSize(100, 100))) << 512 * mb
        << QString() << qint64(1200) * 1000 * 4;
    QTest::newRow("GIF screen beyond Qt's limit")
        << writeBytes(QStringLiteral("huge.gif"), gifFile(QSize(6000, 6000), QSize(500, 500))) << 512 * mb
        << QStringLiteral(
               "the image is 6000 x 6000 pixels, 138 MB decoded, more than the 128 MB an image may take")
        << qint64(0);
    QTest::newRow("progressive JPEG repeating a scan")
        << writeBytes(QStringLiteral("scans.jpg"), jpegRepeatingAScan(400)) << 512 * mb
        << QStringLiteral("the JPEG image has 410 scans, more than the 100 an image needs; decoding it would "
                          "take very long")
        << qint64(0);
    QTest::newRow("JPEG padded with 20 MB of comments")
        << writeBytes(QStringLiteral("padded.jpg"), jpegPaddedWithComments(20)) << 512 * mb << QString()
        << qint64(80) * 80 * 4;
    QTest::newRow("pseudo-file of the system")
        << QStringLiteral("/proc/self/pagemap") << 512 * mb
        << QStringLiteral("it is a pseudo-file of the system (as under /proc or /sys), not an ordinary file")
        << qint64(0);
}

void TestTileSetImages::hostileImagesCountedOrRefused()
{
    QFETCH(QString, file);
    QFETCH(qint64, budget);
    QFETCH(QString, reason);
    QFETCH(qint64, bytesAdded);
    QVERIFY(!file.isEmpty());
    TileSetImageStore store(budget);
    QString message;
    const QPixmap held = store.load(writeImage(QStringLiteral("held.png"), QSize(400, 400)), 40, &message);
    QVERIFY2(!held.isNull(), qPrintable(message));
    const qint64 before = store.bytesHeld();

    const QPixmap loaded = store.load(file, 40, &message);
    QCOMPARE(loaded.isNull() ? message : QString(), reason);
    QCOMPARE(store.bytesHeld() - before, bytesAdded);
    // Nothing but the pixels is kept with an image.
    QVERIFY(loaded.toImage().textKeys().isEmpty());
    // What was held stays held, as it was.
    QCOMPARE(store.load(dir->filePath(QStringLiteral("held.png")), 40, &message).cacheKey(), held.cacheKey());
}

void TestTileSetImages::drawnImageCountedInBudget_data()
{
    QTest::addColumn<int>("alpha");
    QTest::addColumn<qint64>("budget");
    QTest::addColumn<qint64>("bytesAdded");
    QTest::addColumn<QString>("reason");
    const qint64 image = 400 * 400 * 4;
    QTest::newRow("colour-keyed: drawn from a masked copy") << 255 << 2 * image << image << QString();
    QTest::newRow("translucent: drawn as loaded") << 128 << image << qint64(0) << QString();
    QTest::newRow("colour-keyed, no room for the copy")
        << 255 << 2 * image - 1 << qint64(0)
        << QStringLiteral(
               "drawing it takes a copy of 1 MB; with the 1 MB of tile sets already loaded that is more "
               "than the 2 MB all tile sets may take together");
}

void TestTileSetImages::drawnImageCountedInBudget()
{
    QFETCH(int, alpha);
    QFETCH(qint64, budget);
    QFETCH(qint64, bytesAdded);
    QFETCH(QString, reason);
    QImage art(400, 400, QImage::Format_ARGB32);
    art.fill(QColor(0, 100, 0, alpha));
    const QString path = dir->filePath(QStringLiteral("art%1.png").arg(alpha));
    QVERIFY(art.save(path));
    TileSetImageStore store(budget);
    QString message;
    const QPixmap loaded = store.load(path, 40, &message);
    QVERIFY2(!loaded.isNull(), qPrintable(message));
    const qint64 before = store.bytesHeld();
    const QPixmap drawn = store.drawnImage(loaded, &message);
    QCOMPARE(drawn.isNull() ? message : QString(), reason);
    QCOMPARE(store.bytesHeld() - before, bytesAdded);
    // Asked again, the same image, counted once.
    QCOMPARE(store.drawnImage(loaded, &message).cacheKey(), drawn.cacheKey());
    QCOMPARE(store.bytesHeld() - before, bytesAdded);
}

void TestTileSetImages::fifoSwappedInNeverBlocks()
{
    // While a second thread swaps a FIFO and an image under one name, every
    // load ends at once with the image or with a refusal; one that waited
    // on the FIFO would hang the test.
    const QString path = dir->filePath(QStringLiteral("swap.png"));
    const QString image = writeImage(QStringLiteral("image.png"), QSize(80, 80));
    const QString fifo = dir->filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(QFile::copy(image, path));

    std::atomic<bool> stop { false };
    std::thread swapper([&] {
        const QByteArray target = QFile::encodeName(path);
        const QByteArray pictures = QFile::encodeName(image);
        const QByteArray pipe = QFile::encodeName(fifo);
        const QByteArray spare = QFile::encodeName(dir->filePath(QStringLiteral("spare")));
        for (int i = 0; !stop; ++i) {
            // A hard link of either, renamed over the name in one step.
            ::link(i % 2 ? pipe.constData() : pictures.constData(), spare.constData());
            ::rename(spare.constData(), target.constData());
        }
    });
    int loaded = 0, refused = 0;
    for (int i = 0; i < 2000; ++i) {
        TileSetImageStore store;
        QString reason;
        if (store.load(path, 40, &reason).isNull()) {
            ++refused;
            QVERIFY2(reason == QLatin1String("it is a FIFO, not a regular file")
                         || reason == QLatin1String("the file does not exist"),
                     qPrintable(reason));
        } else {
            ++loaded;
        }
    }
    stop = true;
    swapper.join();
    qInfo("%d loads, %d refusals", loaded, refused);
    QCOMPARE(loaded + refused, 2000);
}

QTEST_MAIN(TestTileSetImages)
#include "tst_tilesetimages.moc"

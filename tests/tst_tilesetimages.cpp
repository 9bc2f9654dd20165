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

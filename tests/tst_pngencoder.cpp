#include "render/pngencoder.h"

#include <QImage>
#include <QRandomGenerator>
#include <QTest>

// The PNG files that varnhold-map writes, read back by Qt's own reader:
// the same pixels whatever the image's format and transparency, at either
// compression.
class TestPngEncoder : public QObject
{
    Q_OBJECT

private slots:
    void readBackAsWritten_data();
    void readBackAsWritten();
};

namespace {

// Colours that change from pixel to pixel, with every kind of alpha where
// `alphas` asks for them: clear, nearly clear, half, nearly opaque, opaque.
QImage picture(const QSize& size, QImage::Format format, bool alphas)
{
    QImage image(size, QImage::Format_ARGB32);
    const int levels[] = { 0, 1, 77, 128, 254, 255 };
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const int alpha = alphas ? levels[(x + 3 * y) % 6] : 255;
            image.setPixel(x, y, qRgba((x * 7) % 256, (y * 13) % 256, (x * y) % 256, alpha));
        }
    }
    return image.convertToFormat(format);
}

// Pixels that do not compress: the stream is larger than the picture.
QImage noise(const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32);
    QRandomGenerator random(5);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, random.generate());
    }
    return image;
}

} // namespace

void TestPngEncoder::readBackAsWritten_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<bool>("small");
    QTest::addColumn<bool>("alphaWritten");
    const QSize size(203, 97);
    QTest::newRow("opaque picture, fast") << picture(size, QImage::Format_RGB32, false) << false << false;
    // Compressed a band of rows at a time while the next band is packed.
    QTest::newRow("opaque picture of many bands, fast")
        << picture(QSize(1500, 400), QImage::Format_RGB32, false) << false << false;
    QTest::newRow("opaque picture in an image with alpha, small")
        << picture(size, QImage::Format_ARGB32_Premultiplied, false) << true << false;
    QTest::newRow("translucent premultiplied picture, fast")
        << picture(size, QImage::Format_ARGB32_Premultiplied, true) << false << true;
    QTest::newRow("translucent premultiplied picture, small")
        << picture(size, QImage::Format_ARGB32_Premultiplied, true) << true << true;
    QTest::newRow("translucent picture not premultiplied, fast")
        << picture(size, QImage::Format_ARGB32, true) << false << true;
    QTest::newRow("picture of another format, fast") << picture(size, QImage::Format_RGB888, false) << false << false;
    QTest::newRow("one pixel, small") << picture(QSize(1, 1), QImage::Format_ARGB32, true) << true << true;
    QTest::newRow("noise, fast") << noise(QSize(700, 600)) << false << true;
}

void TestPngEncoder::readBackAsWritten()
{
    QFETCH(QImage, image);
    QFETCH(bool, small);
    QFETCH(bool, alphaWritten);
    const QByteArray file = pngFileBytes(image, small ? PngCompression::Small : PngCompression::Fast);
    QVERIFY(file.startsWith("\x89PNG\r\n\x1a\n"));
    const QImage read = QImage::fromData(file, "PNG");
    QVERIFY(!read.isNull());
    QCOMPARE(read.hasAlphaChannel(), alphaWritten);
    QCOMPARE(read.convertToFormat(QImage::Format_ARGB32_Premultiplied),
             image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

QTEST_GUILESS_MAIN(TestPngEncoder)
#include "tst_pngencoder.moc"

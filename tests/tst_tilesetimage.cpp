#include "render/tilesetimage.h"

#include <QHash>
#include <QPainter>
#include <QTest>

// The image the cells are drawn from: art that carries its own transparency
// keeps every pixel, dark outlines and shadows touching its clear
// background included; art without any keeps the rule of a background
// colour taken from its corners.
class TestTileSetImage : public QObject
{
    Q_OBJECT

private slots:
    void drawnAsLoadedOrKeyed_data();
    void drawnAsLoadedOrKeyed();
    void fourCornerRule_data();
    void fourCornerRule();
};

namespace {

const QColor key(255, 0, 255);

// A sprite as real art draws it: a black outline and a soft shadow on a
// clear background, anti-aliased, next to an opaque black floor tile that
// reaches the image's edge.
QImage translucentArt()
{
    QImage image(80, 40, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 70));
    painter.drawEllipse(QRectF(6, 28, 28, 9));
    painter.setPen(QPen(Qt::black, 2));
    painter.setBrush(QColor(40, 160, 40));
    painter.drawEllipse(QRectF(8, 3, 24, 26));
    painter.fillRect(QRect(40, 0, 40, 40), Qt::black);
    return image;
}

// Shapes on the key colour, which also fills a hole that the shapes enclose.
QImage keyedArt(QImage::Format format)
{
    QImage image(80, 40, format);
    image.fill(key);
    QPainter painter(&image);
    painter.fillRect(QRect(5, 5, 30, 30), Qt::black);
    painter.fillRect(QRect(15, 15, 10, 10), key);
    painter.fillRect(QRect(50, 0, 10, 40), QColor(10, 200, 30));
    return image;
}

} // namespace

void TestTileSetImage::drawnAsLoadedOrKeyed_data()
{
    QTest::addColumn<QImage>("loaded");
    QTest::addColumn<bool>("keyed");
    QTest::newRow("translucent art, outline and shadow on a clear background") << translucentArt() << false;
    QImage oneClearPixel = keyedArt(QImage::Format_ARGB32);
    oneClearPixel.setPixelColor(70, 39, Qt::transparent);
    QTest::newRow("one clear pixel, drawn as it is") << oneClearPixel << false;
    QImage oneHalfPixel = keyedArt(QImage::Format_ARGB32);
    oneHalfPixel.setPixelColor(70, 39, QColor(255, 0, 255, 254));
    QTest::newRow("one pixel not quite opaque, drawn as it is") << oneHalfPixel << false;
    QTest::newRow("opaque art without alpha, keyed") << keyedArt(QImage::Format_RGB32) << true;
    QTest::newRow("opaque art with an alpha channel, keyed") << keyedArt(QImage::Format_ARGB32) << true;
    QTest::newRow("opaque art of 16 bits a channel, keyed") << keyedArt(QImage::Format_RGBA64) << true;
}

void TestTileSetImage::drawnAsLoadedOrKeyed()
{
    QFETCH(QImage, loaded);
    QFETCH(bool, keyed);
    QCOMPARE(hasTransparency(loaded), !keyed);
    const QImage drawn = drawnTileSetImage(QPixmap::fromImage(loaded)).toImage();
    QCOMPARE(drawn.format(), QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(drawn.size(), loaded.size());
    const QImage expected = loaded.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < loaded.height(); ++y) {
        for (int x = 0; x < loaded.width(); ++x) {
            const QRgb pixel = expected.pixel(x, y);
            // The key colour is cleared where it reaches the edge; the hole
            // enclosed by the black square keeps it.
            const bool enclosed = QRect(15, 15, 10, 10).contains(x, y);
            const bool cleared = keyed && QColor(pixel) == key && !enclosed;
            const QRgb wanted = cleared ? 0 : qPremultiply(pixel);
            const QRgb actual = reinterpret_cast<const QRgb*>(drawn.constScanLine(y))[x];
            if (actual != wanted)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2: #%3, expected #%4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(actual, 8, 16, QLatin1Char('0'))
                                     .arg(wanted, 8, 16, QLatin1Char('0'))));
        }
    }
}

// One letter a pixel: a, b and c are opaque colours, '.' a clear pixel.
QImage letterImage(const QStringList& rows)
{
    const QHash<QChar, QColor> colours { { 'a', QColor(250, 250, 250) }, { 'b', QColor(30, 120, 40) },
                                         { 'c', QColor(90, 60, 20) }, { '.', Qt::transparent } };
    QImage image(int(rows[0].size()), int(rows.size()), QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            image.setPixelColor(x, y, colours.value(rows[y][x]));
    }
    return image;
}

void TestTileSetImage::fourCornerRule_data()
{
    QTest::addColumn<QStringList>("picture");
    QTest::addColumn<QStringList>("drawn"); // '-' where the drawn image is clear
    QTest::addColumn<QString>("background"); // the colour cut out, or none

    QTest::newRow("four corners alike: cut where it reaches the edge")
        << QStringList { "aaaa", "abba", "aaaa" } << QStringList { "----", "-bb-", "----" } << "a";
    QTest::newRow("one corner different: drawn whole")
        << QStringList { "aaab", "abba", "aaaa" } << QStringList { "aaab", "abba", "aaaa" } << "";
    QTest::newRow("four corners of four colours: drawn whole")
        << QStringList { "aaab", "abbb", "caab" } << QStringList { "aaab", "abbb", "caab" } << "";
    QTest::newRow("transparency present: its own alpha")
        << QStringList { "aaaa", "a.ba", "aaaa" } << QStringList { "aaaa", "a-ba", "aaaa" } << "";
    QTest::newRow("the corners' colour touching no edge is kept")
        << QStringList { "aaaaaa", "abbbba", "abaaba", "abbbba", "aaaaaa" }
        << QStringList { "------", "-bbbb-", "-baab-", "-bbbb-", "------" } << "a";
    QTest::newRow("joined corner to corner only, not cut")
        << QStringList { "aaaaa", "aabba", "abacb", "abbba", "aaaaa" }
        << QStringList { "-----", "--bb-", "-bacb", "-bbb-", "-----" } << "a";
}

void TestTileSetImage::fourCornerRule()
{
    QFETCH(QStringList, picture);
    QFETCH(QStringList, drawn);
    QFETCH(QString, background);
    const QImage loaded = letterImage(picture);
    const QColor cut = backgroundColour(loaded);
    QCOMPARE(cut, background.isEmpty() ? QColor() : letterImage({ background }).pixelColor(0, 0));
    const QImage expected = letterImage(drawn.replaceInStrings(QStringLiteral("-"), QStringLiteral(".")))
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QCOMPARE(drawnTileSetImage(QPixmap::fromImage(loaded)).toImage(), expected);
}

QTEST_MAIN(TestTileSetImage)
#include "tst_tilesetimage.moc"

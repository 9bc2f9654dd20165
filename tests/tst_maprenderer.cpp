#include "render/maprenderer.h"
#include "render/narrowtile.h"
#include "render/devicepixels.h"
#include "render/pixeltarget.h"
#include "render/scaledtiles.h"
#include "render/tilesetimage.h"
#include "model/worldmap.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

// The drawing of cells and grid lines composited pixel by pixel from scaled
// tiles, against the plain drawing with one painter call per tile and line:
// the same pixels at every zoom and screen scale, over any area, for
// colour-keyed, opaque and translucent art, tiles the image holds only in part or not at all, pass
// marks and translucent grid lines.
class TestMapRenderer : public QObject
{
    Q_OBJECT

private slots:
    void compositeOverMatchesPainter();
    void narrowTilesCompositedPixelByPixel_data();
    void narrowTilesCompositedPixelByPixel();
    void compositedAsDrawn_data();
    void compositedAsDrawn();
    void scaledTilesOfImagesGoneForgotten();
};

namespace {

const QColor ground(60, 70, 80);

// Shapes on a key colour, cut out by the canvas.
QPixmap keyedTiles()
{
    QImage image(160, 80, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    QPainter painter(&image);
    for (int index = 0; index < 8; ++index) {
        const QRect tile((index % 4) * 40, (index / 4) * 40, 40, 40);
        painter.fillRect(tile.adjusted(4 + index, 6, -5, -3 - index), QColor::fromHsv(index * 40, 200, 200));
    }
    painter.end();
    return drawnTileSetImage(QPixmap::fromImage(image));
}

// Anti-aliased sprites with a black outline and a soft shadow on a clear
// background; `height` need not be a whole number of tiles.
QPixmap spriteTiles(int height)
{
    QImage image(160, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int index = 0; index < 4 * ((height + 39) / 40); ++index) {
        const QRectF tile((index % 4) * 40, (index / 4) * 40, 40, 40);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 50 + index * 7));
        painter.drawEllipse(tile.adjusted(8, 26, -4, -2));
        painter.setPen(QPen(Qt::black, 1.5));
        painter.setBrush(QColor::fromHsv(index * 30, 180, 230, 255 - index * 15));
        painter.drawEllipse(tile.adjusted(5 + index % 3, 3, -7, -9));
    }
    painter.end();
    return drawnTileSetImage(QPixmap::fromImage(image));
}

// Opaque ground, some of it half transparent.
QPixmap groundTiles()
{
    QImage image(80, 80, QImage::Format_ARGB32);
    image.fill(QColor(90, 150, 60));
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRect(45, 5, 30, 20), QColor(200, 30, 30, 120));
    painter.fillRect(QRect(0, 40, 40, 40), QColor(20, 40, 200));
    painter.end();
    return drawnTileSetImage(QPixmap::fromImage(image));
}

// A translucent pass mark, for the blending of marks.
QPixmap translucentMark(const QColor& colour)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawEllipse(QRect(4, 4, 24, 24));
    painter.end();
    return QPixmap::fromImage(image);
}

// A map whose cells draw from every kind of image, or from none.
class Fixture
{
public:
    Fixture()
        : map(37, 29)
    {
        map.addTileSet(QStringLiteral("keyed.png"), keyedTiles());
        map.addTileSet(QStringLiteral("sprites.png"), spriteTiles(80));
        map.addTileSet(QStringLiteral("ground.png"), groundTiles());
        // Its last row of tiles is cut off after 10 pixels.
        map.addTileSet(QStringLiteral("cut.png"), spriteTiles(90));
        map.addTileSet(QStringLiteral("narrow.png"), QPixmap(30, 40));
        map.slotOf(QStringLiteral("missing.png"));
        QRandomGenerator random(11);
        const quint32 slotTotal = map.slotCount();
        for (Layer layer : { Layer::Top, Layer::Bottom }) {
            for (int x = 0; x < map.width(); ++x) {
                for (int y = 0; y < map.height(); ++y) {
                    const quint32 pick = random.bounded(12);
                    Cell cell(0, -1, random.bounded(2) == 1);
                    if (pick < slotTotal - 1)
                        cell = Cell(1 + pick, int(random.bounded(13)), cell.pass);
                    else if (pick == 10)
                        cell = Cell(2, std::numeric_limits<qint32>::max(), cell.pass);
                    CellPatch patch;
                    map.fill(layer, QRect(x, y, 1, 1), cell, &patch);
                }
            }
        }
        // The bottom rows hold opaque ground, whose tiles cover their
        // squares whole.
        for (int x = 0; x < map.width(); ++x) {
            for (int y = 20; y < map.height(); ++y) {
                CellPatch patch;
                map.fill(Layer::Bottom, QRect(x, y, 1, 1), Cell(3, (x + y) % 3 == 0 ? 0 : 2 + (x + y) % 2, false),
                         &patch);
            }
        }
    }

    WorldMap map;
};

} // namespace

void TestMapRenderer::compositeOverMatchesPainter()
{
    // Every alpha over two destinations, each pixel drawn by QPainter onto
    // an opaque image as the canvas draws tiles, and by compositeRun() in a
    // row of them whose length leaves a few over after groups of four.
    for (const QRgb below : { qRgb(0, 0, 0), qRgb(255, 254, 7), qRgb(13, 200, 99) }) {
        std::vector<QRgb> run, line(255, below);
        for (int alpha = 0; alpha < 255; ++alpha)
            run.push_back(qPremultiply(qRgba(250, 128, 3, alpha)));
        compositeRun(line.data(), run.data(), int(run.size()));
        for (size_t k = 0; k < run.size(); ++k)
            QCOMPARE(line[k], compositeOver(run[k], below));
        for (int alpha = 0; alpha < 256; ++alpha) {
            const QRgb pixel = qPremultiply(qRgba(250, 128, 3, alpha));
            QImage source(1, 1, QImage::Format_ARGB32_Premultiplied);
            source.setPixel(0, 0, pixel);
            QImage drawn(1, 1, QImage::Format_RGB32);
            drawn.setPixel(0, 0, below);
            QPainter painter(&drawn);
            painter.drawImage(0, 0, source);
            painter.end();
            QCOMPARE(compositeOver(pixel, below), drawn.pixel(0, 0));
        }
    }
}

void TestMapRenderer::narrowTilesCompositedPixelByPixel_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<bool>("cutout");
    // Widths below, at and past the four and eight pixels taken at a time.
    for (const int width : { 1, 3, 4, 7, 8, 9, 13, 16 }) {
        QTest::addRow("%d wide, cut out", width) << width << true;
        QTest::addRow("%d wide, partly transparent", width) << width << false;
    }
}

void TestMapRenderer::narrowTilesCompositedPixelByPixel()
{
    // A tile of a few rows inside a wider picture, laid whole, against
    // compositeOver() on each pixel; a cut-out tile also through
    // copyCutout() alone.
    QFETCH(int, width);
    QFETCH(bool, cutout);
    constexpr int height = 5, tileStride = 19, stride = 23;
    QRandomGenerator random(quint32(width * 2 + cutout));
    std::vector<QRgb> tile(size_t(tileStride) * height), below(size_t(stride) * height);
    for (QRgb& pixel : below)
        pixel = 0xff000000 | random.bounded(0x1000000u);
    for (QRgb& pixel : tile) {
        const int alpha = cutout ? int(random.bounded(2)) * 255 : int(random.bounded(256));
        pixel = qPremultiply(random.bounded(0x1000000u) | (quint32(alpha) << 24));
    }
    std::vector<QRgb> expected = below;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            QRgb& pixel = expected[size_t(y * stride + x)];
            pixel = compositeOver(tile[size_t(y * tileStride + x)], pixel);
        }
    }
    std::vector<QRgb> laid = below;
    compositeNarrowTile(laid.data(), stride, tile.data(), tileStride, width, height, cutout);
    QCOMPARE(laid, expected);
    if (cutout) {
        laid = below;
        for (int y = 0; y < height; ++y)
            copyCutout(laid.data() + y * stride, tile.data() + y * tileStride, width);
        QCOMPARE(laid, expected);
    }
}

void TestMapRenderer::compositedAsDrawn_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<int>("format");
    QTest::addColumn<bool>("passMarks");
    QTest::addColumn<bool>("topLayer");
    QTest::addColumn<QColor>("gridColour");
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<QPointF>("phase");
    const QList<QPair<const char*, float>> zooms = { { "1.0", 1.0f }, { "0.93", 0.93f }, { "0.8", 0.8f },
                                                    { "0.6", 0.6f },  { "0.4", 0.4f },   { "0.35", 0.35f },
                                                    { "0.2", 0.2f },  { "0.1", 0.1f } };
    for (const auto& zoom : zooms) {
        QTest::newRow(qPrintable(QStringLiteral("zoom %1, both layers").arg(zoom.first)))
            << zoom.second << int(QImage::Format_RGB32) << false << true << QColor(Qt::black) << 1.0 << QPointF();
        QTest::newRow(qPrintable(QStringLiteral("zoom %1, pass marks, premultiplied image").arg(zoom.first)))
            << zoom.second << int(QImage::Format_ARGB32_Premultiplied) << true << true << QColor(Qt::black) << 1.0
            << QPointF();
        QTest::newRow(qPrintable(QStringLiteral("zoom %1, bottom layer, translucent grid").arg(zoom.first)))
            << zoom.second << int(QImage::Format_RGB32) << false << false << QColor(200, 10, 10, 90) << 1.0
            << QPointF();
        // A screen scale puts cells and lines on fractions of device pixels.
        QTest::newRow(qPrintable(QStringLiteral("zoom %1, pass marks, scale 1.25").arg(zoom.first)))
            << zoom.second << int(QImage::Format_RGB32) << true << true << QColor(0, 0, 0, 160) << 1.25
            << QPointF(0.75, 0.5);
        QTest::newRow(qPrintable(QStringLiteral("zoom %1, both layers, scale 2").arg(zoom.first)))
            << zoom.second << int(QImage::Format_ARGB32_Premultiplied) << false << true << QColor(Qt::black) << 2.0
            << QPointF();
    }
    QTest::newRow("zoom 0.35, bottom layer, scale 1.5")
        << 0.35f << int(QImage::Format_RGB32) << false << false << QColor(Qt::black) << 1.5 << QPointF(0.5, 0.25);
    QTest::newRow("zoom 0.6, pass marks, scale 3")
        << 0.6f << int(QImage::Format_RGB32) << true << true << QColor(0, 0, 255, 128) << 3.0 << QPointF(0, 0.5);
    QTest::newRow("zoom 0.6, another image format, drawn with a painter")
        << 0.6f << int(QImage::Format_RGB888) << true << true << QColor(0, 0, 255, 128) << 1.0 << QPointF();
}

void TestMapRenderer::compositedAsDrawn()
{
    QFETCH(float, zoom);
    QFETCH(int, format);
    QFETCH(bool, passMarks);
    QFETCH(bool, topLayer);
    QFETCH(QColor, gridColour);
    QFETCH(qreal, scale);
    QFETCH(QPointF, phase);
    const Fixture fixture;
    const QPixmap passYes = translucentMark(QColor(0, 200, 0, 140));
    const QPixmap passNo = drawnTileSetImage(QPixmap(QStringLiteral(":/images/passno.png")));
    MapRenderer::Options options;
    options.geometry.zoom = zoom;
    options.topLayer = topLayer;
    options.gridColour = gridColour;
    if (passMarks) {
        options.passYes = &passYes;
        options.passNo = &passNo;
    }
    const MapRenderer renderer(fixture.map, options);
    const QSize size = options.geometry.mapSize(fixture.map.size());
    const QSize deviceSize(int(scale * size.width() + phase.x()) + 2, int(scale * size.height() + phase.y()) + 2);

    QImage direct(deviceSize, QImage::Format(format));
    direct.fill(ground);
    {
        QPainter painter(&direct);
        painter.setTransform(QTransform(scale, 0, 0, scale, phase.x(), phase.y()));
        renderer.drawCells(painter, QRect(QPoint(0, 0), size));
        renderer.drawGrid(painter, QRect(QPoint(0, 0), size));
    }

    // The whole map, and areas that start and end anywhere, some reaching
    // beyond the map, one within the opaque ground, into images that hold
    // just the area and older pixels, which the ground replaces where tiles
    // leave them.
    ScaledTiles tiles;
    const QList<QRect> areas = { QRect(QPoint(0, 0), deviceSize), QRect(3, 5, 61, 47), QRect(17, 1, 1, 90),
                                 QRect(deviceSize.width() - 30, deviceSize.height() - 20, 50, 50),
                                 QRect(100, 80, 257, 3), QRect(30, deviceSize.height() - 90, 70, 40) };
    for (const QRect& area : areas) {
        QImage composited(area.size(), QImage::Format(format));
        composited.fill(QColor(255, 0, 255));
        const DevicePixels device { scale, phase.x() - area.left(), phase.y() - area.top() };
        renderer.drawCells(composited, device, composited.rect(), tiles, nullptr, qPremultiply(ground.rgba()));
        renderer.drawGrid(composited, device, composited.rect());
        const QRect inside = area & direct.rect();
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            for (int x = inside.left(); x <= inside.right(); ++x) {
                const QRgb expected = direct.pixel(x, y);
                const QRgb actual = composited.pixel(x - area.left(), y - area.top());
                if (actual != expected)
                    QFAIL(qPrintable(QStringLiteral("area %1,%2 %3x%4, pixel %5,%6: #%7, drawn #%8")
                                         .arg(area.x())
                                         .arg(area.y())
                                         .arg(area.width())
                                         .arg(area.height())
                                         .arg(x)
                                         .arg(y)
                                         .arg(actual, 8, 16, QLatin1Char('0'))
                                         .arg(expected, 8, 16, QLatin1Char('0'))));
            }
        }
    }
}

void TestMapRenderer::scaledTilesOfImagesGoneForgotten()
{
    const Fixture fixture;
    ScaledTiles tiles;
    MapRenderer::Options options;
    QImage image(options.geometry.mapSize(fixture.map.size()), QImage::Format_RGB32);
    options.geometry.zoom = 0.6f;
    MapRenderer(fixture.map, options).drawCells(image, DevicePixels(), image.rect(), tiles);
    const qint64 atOneZoom = tiles.bytes();
    QVERIFY(atOneZoom > 0);

    // Another zoom keeps the tiles of the last one for a way back.
    QList<qint64> keys;
    for (quint32 slot = 1; slot < fixture.map.slotCount(); ++slot)
        keys << fixture.map.slotImage(slot).cacheKey();
    tiles.retain(keys);
    options.geometry.zoom = 0.2f;
    MapRenderer(fixture.map, options).drawCells(image, DevicePixels(), image.rect(), tiles);
    tiles.retain(keys);
    QVERIFY(tiles.bytes() > atOneZoom);
    tiles.retain(QList<qint64>());
    QCOMPARE(tiles.bytes(), qint64(0));
}

QTEST_MAIN(TestMapRenderer)
#include "tst_maprenderer.moc"

#include "render/tilesetimage.h"
#include "mapcli/mapcommand.h"
#include "mapcli/tmxexport.h"
#include "support/referencerenderer.h"
#include "support/testart.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QXmlStreamReader>

// varnhold-map export, read back as a TMX reader reads it: the document's
// tilesets and layers against the map file, and the map drawn plainly from
// the TMX document against varnhold-map render. The colour that the TMX
// names as transparent is checked against what the editor's mask clears.
class TestTmxExport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void documentHoldsTheMap();
    void tmxDrawsAsRender();
    void refusesNameXmlCannotHold();
    void transparentColourIsWhatTheMaskClears_data();
    void transparentColourIsWhatTheMaskClears();
    void transparency_data();
    void transparency();

private:
    QTemporaryDir folder;
    QString startFolder;
};

namespace {

struct TileSetEntry
{
    int firstGid;
    QString name;
    QString source;
    QString trans;
    QSize imageSize;
    int tileCount;
};

// What a TMX reader takes from the document.
struct ReadTmx
{
    QMap<QString, QString> map;
    QList<TileSetEntry> tileSets;
    QStringList layerNames;
    QList<QList<int>> layers;
};

ReadTmx readTmx(const QString& path)
{
    ReadTmx tmx;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return tmx;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QLatin1String("map")) {
            for (const QXmlStreamAttribute& attribute : a)
                tmx.map.insert(attribute.name().toString(), attribute.value().toString());
        } else if (xml.name() == QLatin1String("tileset")) {
            tmx.tileSets << TileSetEntry {
                a.value("firstgid").toInt(), a.value("name").toString(), {}, {}, {},
                a.value("tilecount").toInt()
            };
        } else if (xml.name() == QLatin1String("image")) {
            tmx.tileSets.last().source = a.value("source").toString();
            tmx.tileSets.last().trans = a.value("trans").toString();
            tmx.tileSets.last().imageSize = QSize(a.value("width").toInt(), a.value("height").toInt());
        } else if (xml.name() == QLatin1String("layer")) {
            tmx.layerNames << a.value("name").toString();
        } else if (xml.name() == QLatin1String("data")) {
            QList<int> gids;
            for (const QString& gid : xml.readElementText().split(QLatin1Char(','), Qt::SkipEmptyParts))
                gids << gid.trimmed().toInt();
            tmx.layers << gids;
        }
    }
    return tmx;
}

// The map drawn from the TMX document alone, as a reader draws it: every
// pixel of a tileset's transparent colour cleared, each layer's tiles in
// order.
QImage drawTmx(const ReadTmx& tmx, const QString& tmxFolder)
{
    const int side = tmx.map.value("tilewidth").toInt();
    const int width = tmx.map.value("width").toInt();
    QImage picture(width * side, tmx.map.value("height").toInt() * side, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    QList<QPixmap> images;
    for (const TileSetEntry& tileSet : tmx.tileSets) {
        QImage image
            = QImage(QDir(tmxFolder).filePath(tileSet.source)).convertToFormat(QImage::Format_ARGB32);
        if (!tileSet.trans.isEmpty()) {
            const QRgb key = QColor(QLatin1Char('#') + tileSet.trans).rgb();
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (image.pixel(x, y) == key)
                        image.setPixel(x, y, 0);
        }
        images << QPixmap::fromImage(image);
    }
    for (int layer = 0; layer < tmx.layers.size(); ++layer) {
        if (tmx.layerNames[layer] == QLatin1String("pass"))
            continue;
        for (int cell = 0; cell < tmx.layers[layer].size(); ++cell) {
            const int gid = tmx.layers[layer][cell];
            int set = tmx.tileSets.size() - 1;
            while (set >= 0 && tmx.tileSets[set].firstGid > gid)
                --set;
            if (gid == 0 || set < 0)
                continue;
            const int tile = gid - tmx.tileSets[set].firstGid;
            const int columns = images[set].width() / side;
            painter.drawPixmap(QRectF((cell % width) * side, (cell / width) * side, side, side), images[set],
                               QRectF((tile % columns) * side, (tile / columns) * side, side, side));
        }
    }
    return picture;
}

bool writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

int runCommand(const QStringList& arguments, QString* err)
{
    QString out;
    QTextStream outStream(&out), errStream(err);
    return runMapCommand(arguments, outStream, errStream);
}

// A map of 4 x 3 cells: ground everywhere below; above, each tile set in
// turn (keyed, translucent, one that is missing), the fourth column empty;
// passable where x + y is even. Tile indices run up to 6, one beyond the
// six tiles of each set.
QByteArray mapFile(bool withMissingSet)
{
    QByteArray text = withMissingSet ? "4\nground.png\nkeyed.png\nglass.png\ngone.png\n4 3\n"
                                     : "3\nground.png\nkeyed.png\nglass.png\n4 3\n";
    for (int cell = 0; cell < 12; ++cell) {
        const int x = cell % 4, y = cell / 4;
        const int set = withMissingSet ? x + 1 : 1 + x % 2;
        const int tile = withMissingSet ? (x + 3 * y) % 7 : (x + 2 * y) % 6;
        text += (x == 3 && withMissingSet ? QByteArray("-1 -1")
                                          : QByteArray::number(set) + ' ' + QByteArray::number(tile))
            + ((x + y) % 2 == 0 ? " 1\n" : " 0\n");
    }
    for (int cell = 0; cell < 12; ++cell)
        text += "0 " + QByteArray::number(cell % 6) + " 0\n";
    return text;
}

} // namespace

void TestTmxExport::initTestCase()
{
    QVERIFY(folder.isValid());
    startFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
    QImage ground = ellipseTileSet(QImage::Format_RGB32, QColor(90, 140, 60), 255);
    QVERIFY(ground.save(QStringLiteral("ground.png")));
    QVERIFY(ellipseTileSet(QImage::Format_RGB32, QColor(255, 0, 255), 255).save(QStringLiteral("keyed.png")));
    QVERIFY(ellipseTileSet(QImage::Format_ARGB32, Qt::transparent, 120).save(QStringLiteral("glass.png")));
    QVERIFY(writeFile(QStringLiteral("m.map"), mapFile(true)));
    QVERIFY(writeFile(QStringLiteral("full.map"), mapFile(false)));
    QVERIFY(QDir().mkdir(QStringLiteral("out")));
}

void TestTmxExport::cleanupTestCase()
{
    QDir::setCurrent(startFolder);
}

void TestTmxExport::documentHoldsTheMap()
{
    QString err;
    QCOMPARE(runCommand({ "export", "m.map", "-o", "out/m.tmx" }, &err), 1);
    QVERIFY2(err.startsWith(QLatin1String("m.map:5: tile set \"gone.png\" cannot be loaded")),
             qPrintable(err));

    const ReadTmx tmx = readTmx(QStringLiteral("out/m.tmx"));
    QCOMPARE(tmx.map.value("version"), QStringLiteral("1.8"));
    QCOMPARE(tmx.map.value("orientation"), QStringLiteral("orthogonal"));
    QCOMPARE(tmx.map.value("width"), QStringLiteral("4"));
    QCOMPARE(tmx.map.value("height"), QStringLiteral("3"));
    QCOMPARE(tmx.map.value("tilewidth"), QStringLiteral("40"));
    QCOMPARE(tmx.map.value("tileheight"), QStringLiteral("40"));

    // The set that does not load has no tileset; the others keep the order
    // of the map file, the pass tileset last.
    QCOMPARE(tmx.tileSets.size(), 4);
    const QStringList names { "ground.png", "keyed.png", "glass.png", "pass" };
    const QStringList sources { "../ground.png", "../keyed.png", "../glass.png", "m.pass.png" };
    const QStringList trans { "5a8c3c", "ff00ff", "", "" };
    const QList<int> firstGids { 1, 7, 13, 19 };
    for (int k = 0; k < 4; ++k) {
        QCOMPARE(tmx.tileSets[k].name, names[k]);
        QCOMPARE(tmx.tileSets[k].source, sources[k]);
        QCOMPARE(tmx.tileSets[k].trans, trans[k]);
        QCOMPARE(tmx.tileSets[k].firstGid, firstGids[k]);
        QCOMPARE(tmx.tileSets[k].imageSize, QImage(QDir(QStringLiteral("out")).filePath(sources[k])).size());
    }
    QCOMPARE(tmx.tileSets[0].tileCount, 6);
    QCOMPARE(tmx.tileSets[3].tileCount, 1);

    QCOMPARE(tmx.layerNames, QStringList({ "bottom", "top", "pass" }));
    QList<int> bottom, top, pass;
    for (int cell = 0; cell < 12; ++cell) {
        const int x = cell % 4, y = cell / 4;
        bottom << 1 + cell % 6;
        const int tile = (x + 3 * y) % 7;
        // Column 2's set is missing, column 3 is empty; tile 6 lies beyond.
        top << (x < 2 && tile < 6 ? firstGids[x + 1] + tile : 0);
        pass << ((x + y) % 2 == 0 ? 19 : 0);
    }
    QCOMPARE(tmx.layers.value(0), bottom);
    QCOMPARE(tmx.layers.value(1), top);
    QCOMPARE(tmx.layers.value(2), pass);
}

void TestTmxExport::tmxDrawsAsRender()
{
    QString err;
    QCOMPARE(runCommand({ "export", "full.map", "-o", "out/full.tmx" }, &err), 0);
    QCOMPARE(runCommand({ "render", "full.map", "-o", "full.png", "--no-grid" }, &err), 0);
    QCOMPARE(err, QString());
    const QImage drawn = drawTmx(readTmx(QStringLiteral("out/full.tmx")), QStringLiteral("out"));
    QCOMPARE(drawn.size(), QSize(160, 120));
    // The picture has one more pixel each way, for the last grid line.
    const QImage rendered = QImage(QStringLiteral("full.png"))
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                .copy(drawn.rect());
    const QString difference = firstDifference(rendered, drawn);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestTmxExport::refusesNameXmlCannotHold()
{
    // A file name may hold a control character; no XML document can.
    const QString name = QStringLiteral("bell\x07.png");
    QVERIFY(QFile::copy(QStringLiteral("ground.png"), name));
    QVERIFY(writeFile(QStringLiteral("bell.map"), "1\n" + name.toLatin1() + "\n1 1\n0 0 0\n0 0 0\n"));
    QString err;
    QCOMPARE(runCommand({ "export", "bell.map", "-o", "out/bell.tmx" }, &err), 1);
    QCOMPARE(err,
             QStringLiteral("out/bell.tmx: cannot be written: the name of tile set \"bell?.png\" holds the "
                            "character U+0007, which a TMX file cannot hold\n"));
    QVERIFY(!QFile::exists(QStringLiteral("out/bell.tmx")));
    QVERIFY(!QFile::exists(QStringLiteral("out/bell.pass.png")));
}

void TestTmxExport::transparentColourIsWhatTheMaskClears_data()
{
    QTest::addColumn<QList<QColor>>("corners"); // top left, top right, bottom left, bottom right

    const QColor a(10, 20, 30), b(200, 0, 0), c(0, 200, 0), d(0, 0, 200);
    QTest::newRow("all four alike") << QList<QColor> { a, a, a, a };
    QTest::newRow("top left shared with bottom right") << QList<QColor> { a, b, c, a };
    QTest::newRow("top left alone, top right shared") << QList<QColor> { a, b, b, c };
    QTest::newRow("top left alone, bottom pair alike") << QList<QColor> { a, b, c, c };
    QTest::newRow("all four different") << QList<QColor> { a, b, c, d };
}

void TestTmxExport::transparentColourIsWhatTheMaskClears()
{
    QFETCH(QList<QColor>, corners);
    QImage image(6, 5, QImage::Format_RGB32);
    image.fill(QColor(128, 128, 128));
    const QList<QPoint> places { { 0, 0 }, { 5, 0 }, { 0, 4 }, { 5, 4 } };
    for (int i = 0; i < 4; ++i)
        image.setPixelColor(places[i], corners[i]);

    const QImage shown = drawnTileSetImage(QPixmap::fromImage(image)).toImage();
    const QColor trans = backgroundColour(image);
    QCOMPARE(trans.isValid(), corners.count(corners[0]) == 4);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(shown.pixelColor(places[i]).alpha() == 0, corners[i] == trans);
}

void TestTmxExport::transparency_data()
{
    QTest::addColumn<QImage>("image");
    QTest::addColumn<bool>("transparent");

    QImage rgb(3, 3, QImage::Format_RGB32);
    rgb.fill(Qt::blue);
    QImage opaque = rgb.convertToFormat(QImage::Format_ARGB32);
    QImage onePixel = opaque;
    onePixel.setPixelColor(2, 1, QColor(0, 0, 255, 254));
    QTest::newRow("no alpha channel") << rgb << false;
    QTest::newRow("alpha channel, every pixel opaque") << opaque << false;
    QTest::newRow("one pixel a little translucent") << onePixel << true;
}

void TestTmxExport::transparency()
{
    QFETCH(QImage, image);
    QFETCH(bool, transparent);
    QCOMPARE(hasTransparency(image), transparent);
}

QTEST_MAIN(TestTmxExport)
#include "tst_tmxexport.moc"

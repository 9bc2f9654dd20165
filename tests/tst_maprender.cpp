#include "canvas/worldviewwidget.h"
#include "mapcli/mapcommand.h"
#include "support/referencerenderer.h"
#include "support/testart.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <functional>

// varnhold-map render against the canvas's own picture of the same map
// file, imported through a palette as in the editor: at several zooms, with
// either layer, with and without grid lines and pass marks. The map mixes
// opaque, colour-keyed and translucent tile sets, empty bottom cells and a
// tile beyond its set.
class TestMapRender : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void matchesCanvas_data();
    void matchesCanvas();
    void tooLargePictureIsRefused();

private:
    QTemporaryDir folder;
    QString startFolder;
};

namespace {

const int Width = 9;
const int Height = 7;

int runCommand(const QStringList& arguments, QString* err)
{
    QString out;
    QTextStream outStream(&out), errStream(err);
    return runMapCommand(arguments, outStream, errStream);
}

// Records of a layer, row by row.
QByteArray layer(const std::function<QByteArray(int, int)>& record)
{
    QByteArray text;
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x)
            text += record(x, y) + '\n';
    }
    return text;
}

bool writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

void TestMapRender::initTestCase()
{
    QVERIFY(folder.isValid());
    startFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
    QVERIFY(ellipseTileSet(QImage::Format_RGB32, QColor(90, 140, 60), 255).save(QStringLiteral("ground.png")));
    QVERIFY(ellipseTileSet(QImage::Format_RGB32, QColor(255, 0, 255), 255).save(QStringLiteral("keyed.png")));
    QVERIFY(ellipseTileSet(QImage::Format_ARGB32, Qt::transparent, 120).save(QStringLiteral("glass.png")));

    const QByteArray header = QByteArrayLiteral("3\nground.png\nkeyed.png\nglass.png\n")
        + QByteArray::number(Width) + ' ' + QByteArray::number(Height) + '\n';
    const QByteArray top = layer([](int x, int y) {
        const QByteArray pass = (x + y) % 4 == 0 ? " 1" : " 0";
        if ((x + y) % 3 == 0)
            return "1 " + QByteArray::number((x + 2 * y) % 6) + pass;
        if ((x + y) % 3 == 1)
            return "2 " + QByteArray::number((2 * x + y) % 7) + pass; // tile 6 lies beyond the set
        return "-1 -1" + pass;
    });
    const QByteArray bottom = layer([](int x, int y) {
        return x == 4 || y == 5 ? QByteArray("-1 -1 0") : "0 " + QByteArray::number((x * y) % 6) + " 0";
    });
    QVERIFY(writeFile(QStringLiteral("m.map"), header + top + bottom));
    QVERIFY(
        writeFile(QStringLiteral("toponly.map"), header + top + layer([](int, int) { return "-1 -1 0"; })));
}

void TestMapRender::cleanupTestCase()
{
    QDir::setCurrent(startFolder);
}

void TestMapRender::matchesCanvas_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<QString>("layers");
    QTest::addColumn<bool>("grid");
    QTest::addColumn<bool>("pass");

    QTest::newRow("zoom 1.0, both layers, grid") << 1.0f << "both" << true << false;
    QTest::newRow("zoom 0.6, both layers, grid, pass marks") << 0.6f << "both" << true << true;
    QTest::newRow("zoom 0.2, bottom layer, no grid") << 0.2f << "bottom" << false << false;
    QTest::newRow("zoom 0.8, top layer alone, grid") << 0.8f << "top" << true << false;
    QTest::newRow("zoom 0.4, both layers, no grid, pass marks") << 0.4f << "both" << false << true;
}

void TestMapRender::matchesCanvas()
{
    QFETCH(float, zoom);
    QFETCH(QString, layers);
    QFETCH(bool, grid);
    QFETCH(bool, pass);

    // The top layer alone is what the canvas shows of the same top layer
    // over a blank bottom one.
    WorldViewWidget canvas;
    QVERIFY(canvas.readMapFile(layers == QLatin1String("top") ? QStringLiteral("toponly.map")
                                                              : QStringLiteral("m.map")));
    QCOMPARE(canvas.tileSetTotal(), 3);
    canvas.setZoom(zoom);
    canvas.setLayer(layers != QLatin1String("bottom"));
    canvas.showGridLines(grid);
    canvas.setTool(pass ? WorldViewWidget::Pass : WorldViewWidget::Paint);
    QImage expected = canvasRendering(canvas, Qt::transparent);

    QStringList arguments { "render",  "m.map", "-o", "m.png", "--zoom", QString::number(zoom),
                            "--layer", layers };
    if (!grid)
        arguments << "--no-grid";
    if (pass)
        arguments << "--pass";
    QString err;
    QCOMPARE(runCommand(arguments, &err), 1);
    QCOMPARE(err.split('\n', Qt::SkipEmptyParts).size(), 3); // the three cells of tile 6
    // The picture leaves clear what the canvas paints its ground colour on.
    QImage actual(expected.size(), QImage::Format_ARGB32_Premultiplied);
    actual.fill(canvas.palette().color(QPalette::Dark).rgb());
    QPainter(&actual).drawImage(0, 0, QImage(QStringLiteral("m.png")));

    // The start point and the cursor marks, all on cell (0, 0), are the
    // canvas's alone.
    const int grow = int(20 * double(zoom));
    const QRect marks = canvas.cellRect(0, 0).adjusted(-grow, -grow, grow, grow);
    for (QImage* image : { &expected, &actual })
        QPainter(image).fillRect(marks, Qt::black);
    const QString difference = firstDifference(actual, expected);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestMapRender::tooLargePictureIsRefused()
{
    QByteArray map = "0\n1024 1024\n";
    map += QByteArray("-1 -1 0\n").repeated(2 * 1024 * 1024);
    QVERIFY(writeFile(QStringLiteral("huge.map"), map));
    QString err;
    QCOMPARE(runCommand({ "render", "huge.map", "-o", "huge.png" }, &err), 1);
    QVERIFY2(err.startsWith(QLatin1String("huge.png: cannot be written: the picture would be larger than")),
             qPrintable(err));
    QVERIFY(!QFile::exists(QStringLiteral("huge.png")));
    QCOMPARE(runCommand({ "render", "huge.map", "-o", "huge.png", "--zoom", "0.1" }, &err), 0);
    QCOMPARE(QImage(QStringLiteral("huge.png")).size(), QSize(4097, 4097));
}

QTEST_MAIN(TestMapRender)
#include "tst_maprender.moc"

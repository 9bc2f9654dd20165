#include "canvas/worldviewwidget.h"

#include <QSignalSpy>
#include <QTest>

// The canvas's map model: construction, resizing, clearing and tile-set slots.
class TestWorldViewModel : public QObject
{
    Q_OBJECT

private slots:
    void newCanvasState();
    void resizeWorld_data();
    void resizeWorld();
    void clearSetKeepsSizeAndStart();
    void clearSetEmptiesClipboard();
    void addTileSetKeepsFortySets();
    void tileSetIndexIsExact();
    void zoomClamps_data();
    void zoomClamps();
    void sizeHintFollowsZoom_data();
    void sizeHintFollowsZoom();
    void geometryAtZoom_data();
    void geometryAtZoom();

private:
    static QPixmap solidSet(const QColor& colour);
    static void paintAt(WorldViewWidget& canvas, const QPoint& cell);
};

QPixmap TestWorldViewModel::solidSet(const QColor& colour)
{
    // A two-colour image, so that the heuristic mask leaves the tiles opaque.
    QImage image(80, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 4; y < 76; ++y)
        for (int x = 4; x < 76; ++x)
            image.setPixelColor(x, y, colour);
    return QPixmap::fromImage(image);
}

void TestWorldViewModel::paintAt(WorldViewWidget& canvas, const QPoint& cell)
{
    const QRect rect = canvas.cellRect(cell);
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, rect.center());
}

void TestWorldViewModel::newCanvasState()
{
    WorldViewWidget canvas;
    QCOMPARE(canvas.worldSize(), QSize(30, 30));
    QCOMPARE(canvas.tool(), int(WorldViewWidget::Paint));
    QCOMPARE(canvas.zoom(), 1.0f);
    QVERIFY(canvas.topLayerActive());
    QVERIFY(canvas.gridLinesShown());
    QCOMPARE(canvas.tileSetTotal(), 0);
    QCOMPARE(canvas.startCell(), QPoint(0, 0));
    QCOMPARE(canvas.currentCellPosition(), QPoint(0, 0));
    QCOMPARE(canvas.hoverCellPosition(), QPoint(0, 0));
    QVERIFY(!canvas.selection());
    QVERIFY(canvas.clipboardContent().isEmpty());
    QVERIFY(canvas.brushTile().isEmpty());
    QVERIFY(canvas.hasMouseTracking());
    for (const LayerTiles& layer : { canvas.topLayerCells(), canvas.bottomLayerCells() }) {
        QCOMPARE(layer.width(), 30);
        QCOMPARE(layer.height(), 30);
        for (int x = 0; x < 30; ++x)
            for (int y = 0; y < 30; ++y)
                QVERIFY(layer[x][y].isEmpty() && !layer[x][y].pass);
    }
    QCOMPARE(canvas.size(), canvas.sizeHint());
}

void TestWorldViewModel::resizeWorld_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<QSize>("expected");

    QTest::newRow("same size") << 30 << 30 << QSize(30, 30);
    QTest::newRow("grow both") << 50 << 50 << QSize(50, 50);
    QTest::newRow("shrink height") << 40 << 20 << QSize(40, 20);
    QTest::newRow("shrink width") << 10 << 30 << QSize(10, 30);
    QTest::newRow("shrink both to one cell") << 1 << 1 << QSize(1, 1);
}

void TestWorldViewModel::resizeWorld()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(QSize, expected);

    WorldViewWidget canvas;
    QPixmap set = solidSet(Qt::darkGreen);
    canvas.addTileSet(&set, QStringLiteral("green.png"));
    Tile brush;
    brush.tileSetFile = QStringLiteral("green.png");
    brush.tileSet = &set;
    brush.tileIndex = 1;
    canvas.setBrushTile(brush);
    const QList<QPoint> painted = {QPoint(0, 0), QPoint(29, 29), QPoint(5, 25), QPoint(25, 5)};
    for (const QPoint& cell : painted)
        paintAt(canvas, cell);
    canvas.setLayer(false);
    for (const QPoint& cell : painted)
        paintAt(canvas, cell);

    // The window asks before a shrink; the canvas only resizes.
    canvas.resizeWorld(width, height);
    QCOMPARE(canvas.worldSize(), expected);
    QCOMPARE(canvas.size(), canvas.sizeHint());
    for (const LayerTiles& layer : { canvas.topLayerCells(), canvas.bottomLayerCells() }) {
        QCOMPARE(layer.width(), expected.width());
        QCOMPARE(layer.height(), expected.height());
        for (int x = 0; x < expected.width(); ++x) {
            for (int y = 0; y < expected.height(); ++y) {
                const bool kept = painted.contains(QPoint(x, y));
                QVERIFY2(layer[x][y].isEmpty() != kept, qPrintable(QStringLiteral("cell %1,%2").arg(x).arg(y)));
                if (kept)
                    QCOMPARE(layer[x][y].tileIndex, 1);
            }
        }
    }
}

void TestWorldViewModel::clearSetKeepsSizeAndStart()
{
    WorldViewWidget canvas;
    canvas.resizeWorld(50, 40);
    QPixmap set = solidSet(Qt::red);
    canvas.addTileSet(&set, QStringLiteral("red.png"));
    Tile brush;
    brush.tileSetFile = QStringLiteral("red.png");
    brush.tileIndex = 0;
    canvas.setBrushTile(brush);
    paintAt(canvas, QPoint(7, 8));
    QTest::mouseClick(&canvas, Qt::RightButton, Qt::NoModifier, canvas.cellRect(3, 4).center());
    canvas.setStartPoint();
    canvas.setTool(WorldViewWidget::Erase);
    canvas.setZoom(0.6f);

    QSignalSpy cleared(&canvas, &WorldViewWidget::setCleared);
    canvas.clearSet();
    QCOMPARE(cleared.count(), 1);
    QCOMPARE(canvas.worldSize(), QSize(50, 40));
    QCOMPARE(canvas.startCell(), QPoint(3, 4));
    QCOMPARE(canvas.tool(), int(WorldViewWidget::Erase));
    QCOMPARE(canvas.zoom(), 0.6f);
    QCOMPARE(canvas.tileSetTotal(), 0);
    QVERIFY(canvas.tileSetImage(0)->isNull());
    QVERIFY(canvas.tileSetName(0).isNull());
    QVERIFY(canvas.brushTile().isEmpty());
    QVERIFY(canvas.topLayerCells()[7][8].isEmpty());
    QCOMPARE(canvas.topLayerCells().width(), 50);
    QCOMPARE(canvas.bottomLayerCells().height(), 40);
}

void TestWorldViewModel::clearSetEmptiesClipboard()
{
    WorldViewWidget canvas;
    QPixmap set = solidSet(Qt::blue);
    canvas.addTileSet(&set, QStringLiteral("blue.png"));
    Tile brush;
    brush.tileSetFile = QStringLiteral("blue.png");
    brush.tileIndex = 2;
    canvas.setBrushTile(brush);
    paintAt(canvas, QPoint(1, 1));
    canvas.copy();
    QVERIFY(!canvas.clipboardContent().isEmpty());

    canvas.clearSet();
    QVERIFY(canvas.clipboardContent().isEmpty());
    canvas.paste();
    QVERIFY(canvas.topLayerCells()[1][1].isEmpty());
}

void TestWorldViewModel::addTileSetKeepsFortySets()
{
    WorldViewWidget canvas;
    QPixmap set = solidSet(Qt::yellow);
    for (int i = 0; i < 41; ++i)
        canvas.addTileSet(&set, QStringLiteral("set%1.png").arg(i));
    QCOMPARE(canvas.tileSetTotal(), 40);
    QCOMPARE(canvas.tileSetName(39), QStringLiteral("set39.png"));
    QCOMPARE(canvas.tileSetIndex(QStringLiteral("set39.png")), 39);
    QCOMPARE(canvas.tileSetIndex(QStringLiteral("set40.png")), -1);
    // The canvas keeps a masked copy; the palette's image stays as it was.
    QVERIFY(set.mask().isNull());
    QVERIFY(!canvas.tileSetImage(0)->mask().isNull());
}

void TestWorldViewModel::tileSetIndexIsExact()
{
    WorldViewWidget canvas;
    QPixmap set = solidSet(Qt::cyan);
    canvas.addTileSet(&set, QStringLiteral("tiles/Grass.png"));
    canvas.addTileSet(&set, QStringLiteral("tiles/rock.png"));
    canvas.addTileSet(&set, QStringLiteral("tiles/Grass.png"));
    QCOMPARE(canvas.tileSetIndex(QStringLiteral("tiles/Grass.png")), 0);
    QCOMPARE(canvas.tileSetIndex(QStringLiteral("tiles/rock.png")), 1);
    QCOMPARE(canvas.tileSetIndex(QStringLiteral("tiles/grass.png")), -1);
    QCOMPARE(canvas.tileSetIndex(QStringLiteral("tiles/rock.png ")), -1);
    QCOMPARE(canvas.tileSetIndex(QString()), -1);
}

void TestWorldViewModel::zoomClamps_data()
{
    QTest::addColumn<float>("requested");
    QTest::addColumn<float>("stored");
    QTest::newRow("above 1.0") << 1.5f << 1.0f;
    QTest::newRow("below 0.1") << 0.05f << 0.1f;
    QTest::newRow("exactly 0.1") << 0.1f << 0.1f;
    QTest::newRow("in between") << 0.35f << 0.35f;
    QTest::newRow("0.8 kept as the float") << 0.8f << 0.8f;
}

void TestWorldViewModel::zoomClamps()
{
    QFETCH(float, requested);
    QFETCH(float, stored);
    WorldViewWidget canvas;
    canvas.setZoom(requested);
    QCOMPARE(canvas.zoom(), stored);
    QCOMPARE(canvas.size(), canvas.sizeHint());
}

void TestWorldViewModel::sizeHintFollowsZoom_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<int>("side");
    QTest::newRow("1.0") << 1.0f << 1201;
    QTest::newRow("0.8") << 0.8f << 961;
    QTest::newRow("0.6") << 0.6f << 721;
    QTest::newRow("0.4") << 0.4f << 481;
    QTest::newRow("0.2") << 0.2f << 241;
    QTest::newRow("0.1") << 0.1f << 121;
}

void TestWorldViewModel::sizeHintFollowsZoom()
{
    QFETCH(float, zoom);
    QFETCH(int, side);
    WorldViewWidget canvas;
    canvas.setZoom(zoom);
    QCOMPARE(canvas.sizeHint(), QSize(side, side));
}

void TestWorldViewModel::geometryAtZoom_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<QPoint>("cell");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("0.8, cell (2, 3)") << 0.8f << QPoint(2, 3) << QRect(64, 96, 32, 32);
    QTest::newRow("0.6, grid line 3 at 72") << 0.6f << QPoint(3, 3) << QRect(72, 72, 24, 24);
    QTest::newRow("0.2, cell (10, 1)") << 0.2f << QPoint(10, 1) << QRect(80, 8, 8, 8);
    QTest::newRow("0.1, cell (1, 1)") << 0.1f << QPoint(1, 1) << QRect(4, 4, 4, 4);
    QTest::newRow("1.0, cell (29, 29)") << 1.0f << QPoint(29, 29) << QRect(1160, 1160, 40, 40);
}

void TestWorldViewModel::geometryAtZoom()
{
    QFETCH(float, zoom);
    QFETCH(QPoint, cell);
    QFETCH(QRect, rect);
    WorldViewWidget canvas;
    canvas.setZoom(zoom);
    QCOMPARE(canvas.cellRect(cell), rect);
    QCOMPARE(canvas.cellToPixel(cell.x()), rect.x());
}

QTEST_MAIN(TestWorldViewModel)
#include "tst_worldviewmodel.moc"

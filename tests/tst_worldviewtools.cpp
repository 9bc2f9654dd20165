#include "canvas/worldviewwidget.h"
#include "support/canvasdriver.h"
#include "support/referencerenderer.h"
#include "support/windowstate.h"

#include <QTest>

// The mouse tools of the canvas, driven by mouse events as a user would:
// which cells they paint, erase, select or toggle, and how painted tiles are
// drawn.
class TestWorldViewTools : public QObject
{
    Q_OBJECT

private slots:
    void hitTest_data();
    void hitTest();
    void dragFillsEveryCellPassed_data();
    void dragFillsEveryCellPassed();
    void fastDiagonalDragLeavesNoGap_data();
    void fastDiagonalDragLeavesNoGap();
    void negativePositionsIgnored_data();
    void negativePositionsIgnored();
    void squareDrag_data();
    void squareDrag();
    void squareBackwards_data();
    void squareBackwards();
    void releaseAloneSetsFarCorner_data();
    void releaseAloneSetsFarCorner();
    void selectDrag_data();
    void selectDrag();
    void middleClick_data();
    void middleClick();
    void rightClick_data();
    void rightClick();
    void rightDrag_data();
    void rightDrag();
    void rightPressDuringBackwardsSquare();
    void passToggle_data();
    void passToggle();
    void paintOverPassable_data();
    void paintOverPassable();
    void passDragChangesNothing_data();
    void passDragChangesNothing();
    void leftDragWithRightHeld();
    void outsideMapChangesNothing_data();
    void outsideMapChangesNothing();
    void nothingToPaintWith_data();
    void nothingToPaintWith();
    void paintedCellUsesCanvasImage_data();
    void paintedCellUsesCanvasImage();
    void tileDrawnFromSourceSquare_data();
    void tileDrawnFromSourceSquare();
    void maskShowsBottomLayer_data();
    void maskShowsBottomLayer();
    void shownCanvasFollowsEdits_data();
    void shownCanvasFollowsEdits();

private:
    QPixmap tileSet = QPixmap::fromImage(testTileSetImage());
    // A canvas at `zoom` with the test tile set loaded as "tiles.png" and tile 7 picked.
    void prepare(WorldViewWidget& canvas, float zoom);
};

namespace {

const QString setName = QStringLiteral("tiles.png");
const QColor background(10, 20, 30);

LayerTiles layer(const WorldViewWidget& canvas, bool top)
{
    return top ? canvas.topLayerCells() : canvas.bottomLayerCells();
}

QList<QPoint> cellsOf(const QRect& rect)
{
    QList<QPoint> cells;
    for (int x = rect.left(); x <= rect.right(); ++x) {
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            cells << QPoint(x, y);
    }
    return cells;
}

// A pixel given in cell units at the canvas's zoom, e.g. 5.5 for the middle of column 5.
QPoint pixelAt(const WorldViewWidget& canvas, const QPointF& cells)
{
    const double side = 40 * double(canvas.zoom());
    return QPoint(int(cells.x() * side), int(cells.y() * side));
}

void moveMarksAway(WorldViewWidget& canvas)
{
    clickCell(canvas, Qt::RightButton, QPoint(25, 25));
    sendMove(&canvas, cellCentre(canvas, QPoint(25, 25)), Qt::NoButton);
}

// What the canvas paints below its cells: the colour of the scroll area
// around it, whatever lies below the canvas itself.
QColor groundOf(const WorldViewWidget& canvas)
{
    return QColor(canvas.palette().color(QPalette::Dark).rgb());
}

QString renderingDifference(WorldViewWidget& canvas)
{
    return firstDifference(canvasRendering(canvas, background), referenceRendering(canvas, background));
}

const QList<QPair<const char*, float>> allZooms = {
    {"1.0", 1.0f}, {"0.8", 0.8f}, {"0.6", 0.6f}, {"0.4", 0.4f}, {"0.2", 0.2f}};

} // namespace

void TestWorldViewTools::prepare(WorldViewWidget& canvas, float zoom)
{
    canvas.setZoom(zoom);
    canvas.addTileSet(&tileSet, setName);
    pickBrush(canvas, setName, 7, false, &tileSet);
}

void TestWorldViewTools::hitTest_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QPoint>("cell");
    QTest::addColumn<bool>("painted");
    QTest::newRow("zoom 1.0, pixel 79 in cell 1") << 1.0f << QPoint(79, 79) << QPoint(1, 1) << true;
    QTest::newRow("zoom 1.0, pixel 80 in cell 2") << 1.0f << QPoint(80, 80) << QPoint(2, 2) << true;
    QTest::newRow("zoom 1.0, column and row apart") << 1.0f << QPoint(79, 80) << QPoint(1, 2) << true;
    QTest::newRow("zoom 1.0, pixel 1200 is column 30") << 1.0f << QPoint(1200, 10) << QPoint(30, 0) << false;
    QTest::newRow("zoom 1.0, pixel 1200 is row 30") << 1.0f << QPoint(10, 1200) << QPoint(0, 30) << false;
    QTest::newRow("zoom 0.8, pixel 32 still in cell 0") << 0.8f << QPoint(32, 32) << QPoint(0, 0) << true;
    QTest::newRow("zoom 0.8, pixel 33 in cell 1") << 0.8f << QPoint(33, 33) << QPoint(1, 1) << true;
    QTest::newRow("zoom 0.6, pixel 24 still in cell 0") << 0.6f << QPoint(24, 24) << QPoint(0, 0) << true;
    QTest::newRow("zoom 0.6, pixel 25 in cell 1") << 0.6f << QPoint(25, 25) << QPoint(1, 1) << true;
    QTest::newRow("zoom 0.2, last pixel 240 in cell 29") << 0.2f << QPoint(240, 240) << QPoint(29, 29) << true;
    QTest::newRow("zoom 0.2, pixel 241 outside") << 0.2f << QPoint(241, 5) << QPoint(30, 0) << false;
}

void TestWorldViewTools::hitTest()
{
    QFETCH(float, zoom);
    QFETCH(QPoint, pixel);
    QFETCH(QPoint, cell);
    QFETCH(bool, painted);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, pixel);
    QCOMPARE(canvas.currentCellPosition(), cell);
    QCOMPARE(filledCells(canvas.topLayerCells()), painted ? QList<QPoint>{cell} : QList<QPoint>());
    QVERIFY(filledCells(canvas.bottomLayerCells()).isEmpty());
    QCOMPARE(canvas.cellAt(pixel.x(), pixel.y()), cell);
}

void TestWorldViewTools::dragFillsEveryCellPassed_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<int>("tool");
    QTest::newRow("paint, zoom 1.0") << 1.0f << int(WorldViewWidget::Paint);
    QTest::newRow("paint, zoom 0.4") << 0.4f << int(WorldViewWidget::Paint);
    QTest::newRow("erase, zoom 1.0") << 1.0f << int(WorldViewWidget::Erase);
    QTest::newRow("erase, zoom 0.6") << 0.6f << int(WorldViewWidget::Erase);
}

void TestWorldViewTools::dragFillsEveryCellPassed()
{
    QFETCH(float, zoom);
    QFETCH(int, tool);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    const QList<QPoint> row = cellsOf(QRect(0, 2, 8, 1));
    if (tool == WorldViewWidget::Erase)
        dragCells(canvas, Qt::LeftButton, row);
    const LayerCopy before(canvas.topLayerCells());

    canvas.setTool(tool);
    // Cells 4 and 6 lie between event positions: the pointer passed over them.
    dragCells(canvas, Qt::LeftButton, {QPoint(2, 2), QPoint(3, 2), QPoint(5, 2), QPoint(7, 2)});
    QCOMPARE(before.changedIn(canvas.topLayerCells()), cellsOf(QRect(2, 2, 6, 1)));
    QCOMPARE(canvas.currentCellPosition(), QPoint(7, 2));
    QCOMPARE(canvas.hoverCellPosition(), QPoint(7, 2));
    QVERIFY(filledCells(canvas.bottomLayerCells()).isEmpty());
}

void TestWorldViewTools::negativePositionsIgnored_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<int>("tool");
    QTest::newRow("paint, zoom 1.0") << 1.0f << int(WorldViewWidget::Paint);
    QTest::newRow("paint, zoom 0.2") << 0.2f << int(WorldViewWidget::Paint);
    QTest::newRow("erase, zoom 1.0") << 1.0f << int(WorldViewWidget::Erase);
    QTest::newRow("erase, zoom 0.8") << 0.8f << int(WorldViewWidget::Erase);
    QTest::newRow("square, zoom 1.0") << 1.0f << int(WorldViewWidget::Square);
    QTest::newRow("square, zoom 0.6") << 0.6f << int(WorldViewWidget::Square);
}

void TestWorldViewTools::negativePositionsIgnored()
{
    QFETCH(float, zoom);
    QFETCH(int, tool);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    // Column 0 and row 0 are what negative positions would truncate to.
    if (tool == WorldViewWidget::Erase) {
        canvas.setTool(WorldViewWidget::Square);
        dragCells(canvas, Qt::LeftButton, {QPoint(0, 0), QPoint(4, 4)});
    }
    const LayerCopy before(canvas.topLayerCells());

    canvas.setTool(tool);
    // Out to the left along row 3, back in along row 1 and out at the top
    // along column 1, then about outside: only the cells on the way inside
    // change.
    const QPoint start = cellCentre(canvas, QPoint(3, 3));
    const QPoint turn = cellCentre(canvas, QPoint(1, 1));
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, start);
    sendMove(&canvas, QPoint(-5, start.y()), Qt::LeftButton);
    sendMove(&canvas, QPoint(-9, turn.y()), Qt::LeftButton);
    sendMove(&canvas, turn, Qt::LeftButton);
    sendMove(&canvas, QPoint(turn.x(), -5), Qt::LeftButton);
    sendMove(&canvas, QPoint(-5, -5), Qt::LeftButton);
    sendMove(&canvas, QPoint(-5, start.y()), Qt::LeftButton);
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, QPoint(-5, start.y()));

    if (tool == WorldViewWidget::Square) {
        QCOMPARE(before.changedIn(canvas.topLayerCells()), cellsOf(QRect(1, 1, 3, 3)));
        QVERIFY(!canvas.selection());
    } else {
        const QList<QPoint> passed = {QPoint(0, 1), QPoint(0, 3), QPoint(1, 0), QPoint(1, 1),
                                      QPoint(1, 3), QPoint(2, 3), QPoint(3, 3)};
        QCOMPARE(before.changedIn(canvas.topLayerCells()), passed);
        QCOMPARE(canvas.currentCellPosition(), QPoint(1, 1));
    }
    // The hover cell follows every position, truncated toward zero.
    QCOMPARE(canvas.hoverCellPosition(), QPoint(0, 3));
}

void TestWorldViewTools::fastDiagonalDragLeavesNoGap_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::newRow("down and right, zoom 1.0") << 1.0f << QPoint(13, 17) << QPoint(690, 331);
    QTest::newRow("up and left, zoom 1.0") << 1.0f << QPoint(1100, 900) << QPoint(20, 203);
    QTest::newRow("steep, zoom 0.6") << 0.6f << QPoint(300, 5) << QPoint(251, 700);
    QTest::newRow("shallow, zoom 0.2") << 0.2f << QPoint(2, 100) << QPoint(239, 117);
}

void TestWorldViewTools::fastDiagonalDragLeavesNoGap()
{
    // One move event across many cells paints exactly the cells under the
    // points of the straight way between the two positions.
    QFETCH(float, zoom);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    dragPixels(&canvas, Qt::LeftButton, {from, to});

    QList<QPoint> passed;
    constexpr int samples = 20000;
    for (int i = 0; i <= samples; ++i) {
        const QPointF point = QPointF(from) + (QPointF(to) - QPointF(from)) * (double(i) / samples);
        const QPoint cell(int(point.x() / double(zoom) / 40), int(point.y() / double(zoom) / 40));
        if (!passed.contains(cell))
            passed << cell;
    }
    std::sort(passed.begin(), passed.end(),
              [](const QPoint& a, const QPoint& b) { return a.x() != b.x() ? a.x() < b.x() : a.y() < b.y(); });
    QCOMPARE(filledCells(canvas.topLayerCells()), passed);
}

void TestWorldViewTools::squareDrag_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<bool>("top");
    for (const auto& zoom : allZooms)
        QTest::newRow(qPrintable(QStringLiteral("zoom %1, top layer").arg(zoom.first))) << zoom.second << true;
    QTest::newRow("zoom 0.8, bottom layer") << 0.8f << false;
    QTest::newRow("zoom 0.2, bottom layer") << 0.2f << false;
}

void TestWorldViewTools::squareDrag()
{
    QFETCH(float, zoom);
    QFETCH(bool, top);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    canvas.setLayer(top);
    canvas.setTool(WorldViewWidget::Square);
    dragCells(canvas, Qt::LeftButton, {QPoint(2, 2), QPoint(3, 2), QPoint(3, 3), QPoint(4, 3)});

    QCOMPARE(filledCells(layer(canvas, top)), cellsOf(QRect(2, 2, 3, 2)));
    QVERIFY(filledCells(layer(canvas, !top)).isEmpty());
    for (const QPoint& cell : cellsOf(QRect(2, 2, 3, 2))) {
        const Tile& tile = layer(canvas, top)[cell.x()][cell.y()];
        QCOMPARE(tile.tileIndex, 7);
        QCOMPARE(tile.tileSetFile, setName);
    }
    QVERIFY(!canvas.selection());
    QCOMPARE(canvas.currentCellPosition(), QPoint(2, 2));
}

void TestWorldViewTools::squareBackwards_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<QPoint>("anchor");
    QTest::addColumn<QPoint>("far");
    QTest::addColumn<QRect>("filled");
    const QList<QPair<const char*, float>> zooms = {{"1.0", 1.0f}, {"0.6", 0.6f}};
    for (const auto& zoom : zooms) {
        const auto row = [&](const char* name) {
            return &(QTest::newRow(qPrintable(QStringLiteral("zoom %1, %2").arg(zoom.first, name))) << zoom.second);
        };
        *row("one column left fills nothing") << QPoint(5, 5) << QPoint(4, 5) << QRect();
        *row("two columns left fills 3 to 5") << QPoint(5, 5) << QPoint(3, 5) << QRect(3, 5, 3, 1);
        *row("one row above fills nothing") << QPoint(5, 5) << QPoint(5, 4) << QRect();
        *row("two rows above fills 3 to 5") << QPoint(5, 5) << QPoint(5, 3) << QRect(5, 3, 1, 3);
        *row("left and above swaps both") << QPoint(5, 5) << QPoint(2, 3) << QRect(2, 3, 4, 3);
        *row("one left, two above fills nothing") << QPoint(5, 5) << QPoint(4, 3) << QRect();
        *row("past the map's edge stops at it") << QPoint(27, 27) << QPoint(33, 28) << QRect(27, 27, 3, 2);
    }
}

void TestWorldViewTools::squareBackwards()
{
    QFETCH(float, zoom);
    QFETCH(QPoint, anchor);
    QFETCH(QPoint, far);
    QFETCH(QRect, filled);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    canvas.setTool(WorldViewWidget::Square);
    dragCells(canvas, Qt::LeftButton, {anchor, far});
    QCOMPARE(filledCells(canvas.topLayerCells()), cellsOf(filled));
    QVERIFY(!canvas.selection());
}

void TestWorldViewTools::releaseAloneSetsFarCorner_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<int>("tool");
    QTest::newRow("square, zoom 1.0") << 1.0f << int(WorldViewWidget::Square);
    QTest::newRow("square, zoom 0.4") << 0.4f << int(WorldViewWidget::Square);
    QTest::newRow("select, zoom 1.0") << 1.0f << int(WorldViewWidget::Select);
    QTest::newRow("select, zoom 0.8") << 0.8f << int(WorldViewWidget::Select);
}

void TestWorldViewTools::releaseAloneSetsFarCorner()
{
    QFETCH(float, zoom);
    QFETCH(int, tool);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    canvas.setTool(tool);
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, cellCentre(canvas, QPoint(5, 5)));
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, cellCentre(canvas, QPoint(7, 6)));
    if (tool == WorldViewWidget::Square) {
        QCOMPARE(filledCells(canvas.topLayerCells()), cellsOf(QRect(5, 5, 3, 2)));
        QVERIFY(!canvas.selection());
    } else {
        QVERIFY(filledCells(canvas.topLayerCells()).isEmpty());
        QCOMPARE(canvas.selection(), std::optional<QRect>(QRect(5, 5, 3, 2)));
    }
}

void TestWorldViewTools::selectDrag_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<bool>("middle");
    QTest::addColumn<QList<QPointF>>("path"); // in cell units, from press to release
    QTest::addColumn<QRect>("selection");
    const QList<QPair<const char*, float>> zooms = {{"1.0", 1.0f}, {"0.6", 0.6f}};
    for (const auto& zoom : zooms) {
        const auto row = [&](const char* name, bool middle) {
            return &(QTest::newRow(qPrintable(QStringLiteral("zoom %1, %2").arg(zoom.first, name)))
                      << zoom.second << middle);
        };
        *row("select to (8, 7)", false) << QList<QPointF>{{5.5, 5.5}, {6.5, 6.5}, {8.5, 7.5}}
                                        << QRect(QPoint(5, 5), QPoint(8, 7));
        *row("left of the anchor and down", false)
            << QList<QPointF>{{5.5, 5.5}, {8.5, 7.5}, {3.5, 9.5}} << QRect(QPoint(3, 5), QPoint(5, 9));
        *row("above the anchor and right", false)
            << QList<QPointF>{{5.5, 5.5}, {8.5, 7.5}, {9.5, 2.5}} << QRect(QPoint(5, 2), QPoint(9, 5));
        *row("up and left", false)
            << QList<QPointF>{{5.5, 5.5}, {8.5, 7.5}, {2.5, 1.5}} << QRect(QPoint(2, 1), QPoint(5, 5));
        *row("one column left of the anchor", false)
            << QList<QPointF>{{5.5, 5.5}, {8.5, 7.5}, {4.5, 9.5}} << QRect(QPoint(4, 5), QPoint(5, 9));
        *row("back in the anchor cell shrinks it", false)
            << QList<QPointF>{{5.5, 5.5}, {8.5, 7.5}, {5.5, 5.5}} << QRect(5, 5, 1, 1);
        *row("past the map's edge, within the map", false)
            << QList<QPointF>{{27.5, 27.5}, {31.5, 33.5}} << QRect(QPoint(27, 27), QPoint(29, 29));
        *row("past the widget's left edge, within the map", false)
            << QList<QPointF>{{2.5, 2.5}, {-3.5, 4.5}} << QRect(QPoint(0, 2), QPoint(2, 4));
        *row("middle drag to (8, 7)", true) << QList<QPointF>{{5.5, 5.5}, {8.5, 7.5}}
                                            << QRect(QPoint(5, 5), QPoint(8, 7));
        *row("middle drag left of the anchor", true)
            << QList<QPointF>{{5.5, 5.5}, {8.5, 7.5}, {3.5, 9.5}} << QRect(QPoint(3, 5), QPoint(5, 9));
    }
}

void TestWorldViewTools::selectDrag()
{
    QFETCH(float, zoom);
    QFETCH(bool, middle);
    QFETCH(QList<QPointF>, path);
    QFETCH(QRect, selection);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    // The middle button selects in any tool, here while painting.
    canvas.setTool(middle ? WorldViewWidget::Paint : WorldViewWidget::Select);
    QList<QPoint> pixels;
    for (const QPointF& point : path)
        pixels << pixelAt(canvas, point);
    dragPixels(&canvas, middle ? Qt::MiddleButton : Qt::LeftButton, pixels);

    QCOMPARE(canvas.selection(), std::optional<QRect>(selection));
    const QPoint pressed(int(path.first().x()), int(path.first().y()));
    QCOMPARE(canvas.currentCellPosition(), middle ? QPoint(0, 0) : pressed);
    QVERIFY(filledCells(canvas.topLayerCells()).isEmpty());
}

void TestWorldViewTools::middleClick_data()
{
    QTest::addColumn<float>("zoom");
    QTest::newRow("zoom 1.0") << 1.0f;
    QTest::newRow("zoom 0.4") << 0.4f;
}

void TestWorldViewTools::middleClick()
{
    QFETCH(float, zoom);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    clickCell(canvas, Qt::LeftButton, QPoint(1, 1));
    clickCell(canvas, Qt::MiddleButton, QPoint(6, 4));
    QCOMPARE(canvas.selection(), std::optional<QRect>(QRect(6, 4, 1, 1)));
    QCOMPARE(canvas.currentCellPosition(), QPoint(1, 1));
    QCOMPARE(filledCells(canvas.topLayerCells()), QList<QPoint>{QPoint(1, 1)});

    clickCell(canvas, Qt::MiddleButton, QPoint(2, 3));
    QCOMPARE(canvas.selection(), std::optional<QRect>(QRect(2, 3, 1, 1)));
    QCOMPARE(canvas.currentCellPosition(), QPoint(1, 1));
}

void TestWorldViewTools::rightClick_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<QPoint>("cell");
    QTest::addColumn<bool>("kept");
    const QList<QPair<const char*, float>> zooms = {{"1.0", 1.0f}, {"0.8", 0.8f}};
    for (const auto& zoom : zooms) {
        const auto row = [&](const char* name) {
            return &(QTest::newRow(qPrintable(QStringLiteral("zoom %1, %2").arg(zoom.first, name))) << zoom.second);
        };
        *row("inside keeps it") << QPoint(6, 6) << true;
        *row("on the anchor keeps it") << QPoint(5, 5) << true;
        *row("on the far corner keeps it") << QPoint(8, 7) << true;
        *row("right of it drops it") << QPoint(9, 7) << false;
        *row("below it drops it") << QPoint(8, 8) << false;
        *row("left of it drops it") << QPoint(4, 6) << false;
    }
}

void TestWorldViewTools::rightClick()
{
    QFETCH(float, zoom);
    QFETCH(QPoint, cell);
    QFETCH(bool, kept);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    canvas.setTool(WorldViewWidget::Select);
    dragCells(canvas, Qt::LeftButton, {QPoint(5, 5), QPoint(8, 7)});
    canvas.setTool(WorldViewWidget::Paint);

    clickCell(canvas, Qt::RightButton, cell);
    QCOMPARE(canvas.currentCellPosition(), cell);
    QCOMPARE(canvas.selection(), kept ? std::optional<QRect>(QRect(QPoint(5, 5), QPoint(8, 7))) : std::nullopt);
    QVERIFY(filledCells(canvas.topLayerCells()).isEmpty());
}

void TestWorldViewTools::rightDrag_data()
{
    QTest::addColumn<float>("zoom");
    QTest::newRow("zoom 1.0") << 1.0f;
    QTest::newRow("zoom 0.6") << 0.6f;
}

void TestWorldViewTools::rightDrag()
{
    QFETCH(float, zoom);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    canvas.setTool(WorldViewWidget::Select);
    dragCells(canvas, Qt::LeftButton, {QPoint(5, 5), QPoint(8, 7)});
    const std::optional<QRect> selection = canvas.selection();

    QTest::mousePress(&canvas, Qt::RightButton, Qt::NoModifier, cellCentre(canvas, QPoint(6, 6)));
    sendMove(&canvas, cellCentre(canvas, QPoint(8, 7)), Qt::RightButton);
    QCOMPARE(canvas.currentCellPosition(), QPoint(8, 7));
    QCOMPARE(canvas.selection(), selection);
    sendMove(&canvas, cellCentre(canvas, QPoint(9, 9)), Qt::RightButton);
    QCOMPARE(canvas.currentCellPosition(), QPoint(9, 9));
    QVERIFY(!canvas.selection());
    sendMove(&canvas, cellCentre(canvas, QPoint(6, 6)), Qt::RightButton);
    QVERIFY(!canvas.selection());
    // Leaving the widget to the left takes the current cell with it.
    sendMove(&canvas, pixelAt(canvas, QPointF(-1.5, 2.5)), Qt::RightButton);
    QCOMPARE(canvas.currentCellPosition(), QPoint(-1, 2));
    QTest::mouseRelease(&canvas, Qt::RightButton, Qt::NoModifier, pixelAt(canvas, QPointF(-1.5, 2.5)));
    QVERIFY(filledCells(canvas.topLayerCells()).isEmpty());
}

void TestWorldViewTools::rightPressDuringBackwardsSquare()
{
    // The square being dragged backwards will fill cells 3 to 5; a right press
    // on one of them is inside it and must not drop it.
    WorldViewWidget canvas;
    prepare(canvas, 1.0f);
    canvas.setTool(WorldViewWidget::Square);
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, cellCentre(canvas, QPoint(5, 5)));
    sendMove(&canvas, cellCentre(canvas, QPoint(3, 5)), Qt::LeftButton);
    QTest::mouseClick(&canvas, Qt::RightButton, Qt::NoModifier, cellCentre(canvas, QPoint(3, 5)));
    QVERIFY(canvas.selection());
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, cellCentre(canvas, QPoint(3, 5)));
    QCOMPARE(filledCells(canvas.topLayerCells()), cellsOf(QRect(3, 5, 3, 1)));
}

void TestWorldViewTools::passToggle_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<bool>("top");
    QTest::newRow("zoom 1.0, top layer current") << 1.0f << true;
    QTest::newRow("zoom 1.0, bottom layer current") << 1.0f << false;
    QTest::newRow("zoom 0.6, bottom layer current") << 0.6f << false;
}

void TestWorldViewTools::passToggle()
{
    QFETCH(float, zoom);
    QFETCH(bool, top);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    canvas.setLayer(top);
    canvas.setTool(WorldViewWidget::Pass);
    const LayerCopy topBefore(canvas.topLayerCells());
    const LayerCopy bottomBefore(canvas.bottomLayerCells());
    const QPoint cell(3, 4);

    clickCell(canvas, Qt::LeftButton, cell);
    QVERIFY(canvas.topLayerCells()[3][4].pass);
    QCOMPARE(topBefore.changedIn(canvas.topLayerCells()), QList<QPoint>{cell});
    QVERIFY(bottomBefore.changedIn(canvas.bottomLayerCells()).isEmpty());
    QCOMPARE(canvas.currentCellPosition(), cell);

    clickCell(canvas, Qt::LeftButton, cell);
    QVERIFY(!canvas.topLayerCells()[3][4].pass);

    // A double click arrives as press, release, double click, release: two toggles.
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, cellCentre(canvas, cell));
    QVERIFY(canvas.topLayerCells()[3][4].pass);
    QTest::mouseDClick(&canvas, Qt::LeftButton, Qt::NoModifier, cellCentre(canvas, cell));
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, cellCentre(canvas, cell));
    QVERIFY(topBefore.changedIn(canvas.topLayerCells()).isEmpty());
    QVERIFY(bottomBefore.changedIn(canvas.bottomLayerCells()).isEmpty());
}

void TestWorldViewTools::paintOverPassable_data()
{
    QTest::addColumn<bool>("brushPass");
    QTest::newRow("impassable brush clears the flag") << false;
    QTest::newRow("passable brush keeps it set") << true;
}

void TestWorldViewTools::paintOverPassable()
{
    QFETCH(bool, brushPass);
    WorldViewWidget canvas;
    prepare(canvas, 0.8f);
    pickBrush(canvas, setName, 3, brushPass, &tileSet);
    canvas.setTool(WorldViewWidget::Pass);
    clickCell(canvas, Qt::LeftButton, QPoint(3, 3));
    QVERIFY(canvas.topLayerCells()[3][3].pass);

    canvas.setTool(WorldViewWidget::Paint);
    clickCell(canvas, Qt::LeftButton, QPoint(3, 3));
    const Tile& painted = canvas.topLayerCells()[3][3];
    QCOMPARE(painted.tileIndex, 3);
    QCOMPARE(painted.pass, brushPass);

    canvas.setTool(WorldViewWidget::Erase);
    clickCell(canvas, Qt::LeftButton, QPoint(3, 3));
    const Tile& erased = canvas.topLayerCells()[3][3];
    QVERIFY(erased.isEmpty());
    QVERIFY(!erased.pass);
    QCOMPARE(erased.tileSetFile, QString(""));
}

void TestWorldViewTools::passDragChangesNothing_data()
{
    QTest::addColumn<float>("zoom");
    QTest::newRow("zoom 1.0") << 1.0f;
    QTest::newRow("zoom 0.4") << 0.4f;
}

void TestWorldViewTools::passDragChangesNothing()
{
    QFETCH(float, zoom);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    canvas.setTool(WorldViewWidget::Pass);
    const LayerCopy before(canvas.topLayerCells());
    // Only the press toggles.
    dragCells(canvas, Qt::LeftButton, {QPoint(2, 2), QPoint(3, 2), QPoint(4, 2), QPoint(4, 3)});
    QCOMPARE(before.changedIn(canvas.topLayerCells()), QList<QPoint>{QPoint(2, 2)});
    QVERIFY(canvas.topLayerCells()[2][2].pass);
    QCOMPARE(canvas.currentCellPosition(), QPoint(2, 2));
    QCOMPARE(canvas.hoverCellPosition(), QPoint(4, 3));
}

void TestWorldViewTools::leftDragWithRightHeld()
{
    WorldViewWidget canvas;
    prepare(canvas, 1.0f);
    const QPoint start = cellCentre(canvas, QPoint(2, 2));
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mousePress(&canvas, Qt::RightButton, Qt::NoModifier, start);
    for (const QPoint& cell : {QPoint(3, 2), QPoint(4, 2), QPoint(5, 3)})
        sendMove(&canvas, cellCentre(canvas, cell), Qt::LeftButton | Qt::RightButton);
    QCOMPARE(filledCells(canvas.topLayerCells()), QList<QPoint>{QPoint(2, 2)});
    QCOMPARE(canvas.currentCellPosition(), QPoint(2, 2));
    QCOMPARE(canvas.hoverCellPosition(), QPoint(5, 3));

    QTest::mouseRelease(&canvas, Qt::RightButton, Qt::NoModifier, cellCentre(canvas, QPoint(5, 3)));
    sendMove(&canvas, cellCentre(canvas, QPoint(6, 3)), Qt::LeftButton);
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, cellCentre(canvas, QPoint(6, 3)));
    QCOMPARE(filledCells(canvas.topLayerCells()), (QList<QPoint>{QPoint(2, 2), QPoint(6, 3)}));
}

void TestWorldViewTools::outsideMapChangesNothing_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QPoint>("cell");
    QTest::newRow("paint right of the map") << int(WorldViewWidget::Paint) << QPoint(30, 5);
    QTest::newRow("paint below the map") << int(WorldViewWidget::Paint) << QPoint(5, 30);
    QTest::newRow("pass right of the map") << int(WorldViewWidget::Pass) << QPoint(30, 5);
    QTest::newRow("pass below the map") << int(WorldViewWidget::Pass) << QPoint(5, 31);
    QTest::newRow("square right of the map") << int(WorldViewWidget::Square) << QPoint(32, 5);
}

void TestWorldViewTools::outsideMapChangesNothing()
{
    QFETCH(int, tool);
    QFETCH(QPoint, cell);
    WorldViewWidget canvas;
    prepare(canvas, 1.0f);
    canvas.setTool(tool);
    const LayerCopy top(canvas.topLayerCells());
    const LayerCopy bottom(canvas.bottomLayerCells());
    clickCell(canvas, Qt::LeftButton, cell);
    QCOMPARE(canvas.currentCellPosition(), cell);
    QVERIFY(top.changedIn(canvas.topLayerCells()).isEmpty());
    QVERIFY(bottom.changedIn(canvas.bottomLayerCells()).isEmpty());
}

void TestWorldViewTools::nothingToPaintWith_data()
{
    QTest::addColumn<QString>("loaded"); // empty: no tile set
    QTest::addColumn<bool>("picked");
    QTest::addColumn<int>("brushIndex");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("no brush picked") << setName << false << 7 << false;
    QTest::newRow("empty tile picked") << setName << true << -1 << false;
    QTest::newRow("no tile set loaded") << QString() << true << 7 << false;
    QTest::newRow("brush's set not loaded") << QStringLiteral("other.png") << true << 7 << false;
    QTest::newRow("brush emptied by clearing the set") << setName << true << 7 << true;
}

void TestWorldViewTools::nothingToPaintWith()
{
    QFETCH(QString, loaded);
    QFETCH(bool, picked);
    QFETCH(int, brushIndex);
    QFETCH(bool, cleared);
    WorldViewWidget canvas;
    if (!loaded.isEmpty())
        canvas.addTileSet(&tileSet, loaded);
    if (picked)
        pickBrush(canvas, setName, brushIndex, true, &tileSet);
    if (cleared) {
        canvas.clearSet();
        canvas.addTileSet(&tileSet, loaded);
    }
    const LayerCopy before(canvas.topLayerCells());
    clickCell(canvas, Qt::LeftButton, QPoint(3, 3));
    dragCells(canvas, Qt::LeftButton, {QPoint(4, 4), QPoint(5, 4), QPoint(6, 4)});
    canvas.setTool(WorldViewWidget::Square);
    dragCells(canvas, Qt::LeftButton, {QPoint(1, 1), QPoint(2, 2)});
    QVERIFY(before.changedIn(canvas.topLayerCells()).isEmpty());
    QVERIFY(filledCells(canvas.bottomLayerCells()).isEmpty());
}

void TestWorldViewTools::paintedCellUsesCanvasImage_data()
{
    QTest::addColumn<QStringList>("loads");
    QTest::addColumn<QString>("brushFile");
    QTest::addColumn<int>("slot"); // -1: nothing painted
    QTest::newRow("single set") << QStringList{"a.png"} << "a.png" << 0;
    QTest::newRow("brush from the newest set") << QStringList{"a.png", "b.png"} << "b.png" << 1;
    QTest::newRow("brush picked before a later load") << QStringList{"a.png", "b.png"} << "a.png" << 0;
    QTest::newRow("same name loaded twice") << QStringList{"a.png", "b.png", "a.png"} << "a.png" << 2;
    QTest::newRow("name differs in case") << QStringList{"a.png"} << "A.png" << -1;
}

void TestWorldViewTools::paintedCellUsesCanvasImage()
{
    QFETCH(QStringList, loads);
    QFETCH(QString, brushFile);
    QFETCH(int, slot);
    WorldViewWidget canvas;
    for (const QString& name : loads)
        canvas.addTileSet(&tileSet, name);
    QPixmap paletteImage = tileSet;
    pickBrush(canvas, brushFile, 4, true, &paletteImage);

    clickCell(canvas, Qt::LeftButton, QPoint(1, 1));
    canvas.setTool(WorldViewWidget::Square);
    dragCells(canvas, Qt::LeftButton, {QPoint(3, 3), QPoint(4, 4)});
    if (slot == -1) {
        QVERIFY(filledCells(canvas.topLayerCells()).isEmpty());
        return;
    }
    const QList<QPoint> painted = {QPoint(1, 1), QPoint(3, 3), QPoint(3, 4), QPoint(4, 3), QPoint(4, 4)};
    QCOMPARE(filledCells(canvas.topLayerCells()), painted);
    for (const QPoint& cell : painted) {
        const Tile& tile = canvas.topLayerCells()[cell.x()][cell.y()];
        QCOMPARE(tile.tileSet, canvas.tileSetImage(slot));
        QCOMPARE(tile.tileSetFile, brushFile);
        QCOMPARE(tile.tileIndex, 4);
        QVERIFY(tile.pass);
    }
}

void TestWorldViewTools::tileDrawnFromSourceSquare_data()
{
    QTest::addColumn<float>("zoom");
    for (const auto& zoom : allZooms)
        QTest::newRow(qPrintable(QStringLiteral("zoom %1").arg(zoom.first))) << zoom.second;
}

void TestWorldViewTools::tileDrawnFromSourceSquare()
{
    QFETCH(float, zoom);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    canvas.setLayer(false);
    pickBrush(canvas, setName, 7, false, &tileSet);
    clickCell(canvas, Qt::LeftButton, QPoint(3, 2));
    pickBrush(canvas, setName, 12, false, &tileSet);
    clickCell(canvas, Qt::LeftButton, QPoint(6, 2));
    canvas.setLayer(true);
    clickCell(canvas, Qt::LeftButton, QPoint(5, 4));
    moveMarksAway(canvas);

    const QImage shown = canvasRendering(canvas, background);
    const QString difference = firstDifference(shown, referenceRendering(canvas, background));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(shown.pixelColor(canvas.cellRect(3, 2).center()), testTileColour(7));
    QCOMPARE(shown.pixelColor(canvas.cellRect(5, 4).center()), testTileColour(12));
    QCOMPARE(shown.pixelColor(canvas.cellRect(4, 2).center()), QColor(255, 255, 254));
    if (zoom != 1.0f)
        return;

    // Unscaled, a bottom-layer cell shows its source square pixel for pixel
    // (bar the grid lines), the masked background letting the ground that
    // the canvas paints below its cells through. (A top tile over an empty cell is stretched over
    // the wider filled square and is covered by the reference comparison.)
    const QImage source = testTileSetImage();
    const QPair<QPoint, QPoint> cells[] = {{QPoint(3, 2), QPoint(80, 40)}, {QPoint(6, 2), QPoint(80, 80)}};
    for (const auto& [cell, square] : cells) {
        const QPoint corner = canvas.cellRect(cell).topLeft();
        for (int dy = 1; dy < 40; ++dy) {
            for (int dx = 1; dx < 40; ++dx) {
                const QColor pixel = source.pixelColor(square + QPoint(dx, dy));
                const QColor expected = pixel == testTileBackground() ? groundOf(canvas) : pixel;
                const QColor actual = shown.pixelColor(corner + QPoint(dx, dy));
                QVERIFY2(actual == expected, qPrintable(QStringLiteral("cell %1,%2 offset %3,%4: %5, expected %6")
                                                            .arg(cell.x()).arg(cell.y()).arg(dx).arg(dy)
                                                            .arg(actual.name(), expected.name())));
            }
        }
    }
}

void TestWorldViewTools::maskShowsBottomLayer_data()
{
    QTest::addColumn<float>("zoom");
    QTest::newRow("zoom 1.0") << 1.0f;
    QTest::newRow("zoom 0.6") << 0.6f;
}

void TestWorldViewTools::maskShowsBottomLayer()
{
    QFETCH(float, zoom);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    // Bottom: tile 0, inset 4; top: tile 1, inset 14.
    canvas.setLayer(false);
    pickBrush(canvas, setName, 0, false, &tileSet);
    clickCell(canvas, Qt::LeftButton, QPoint(4, 4));
    canvas.setLayer(true);
    pickBrush(canvas, setName, 1, false, &tileSet);
    clickCell(canvas, Qt::LeftButton, QPoint(4, 4));
    moveMarksAway(canvas);

    const QPoint corner = canvas.cellRect(4, 4).topLeft();
    const auto at = [&](const QImage& image, int sourceOffset) {
        const int offset = int(sourceOffset * zoom + 0.5);
        return image.pixelColor(corner + QPoint(offset, offset));
    };
    QImage shown = canvasRendering(canvas, background);
    QCOMPARE(at(shown, 20), testTileColour(1));
    QCOMPARE(at(shown, 9), testTileColour(0));
    QCOMPARE(at(shown, 1), groundOf(canvas));
    QString difference = renderingDifference(canvas);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    canvas.setLayer(false);
    shown = canvasRendering(canvas, background);
    QCOMPARE(at(shown, 20), testTileColour(0));
    QCOMPARE(at(shown, 9), testTileColour(0));
    difference = renderingDifference(canvas);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    canvas.setLayer(true);
    QCOMPARE(at(canvasRendering(canvas, background), 20), testTileColour(1));
    QVERIFY(!canvas.topLayerCells()[4][4].isEmpty());
}

void TestWorldViewTools::shownCanvasFollowsEdits_data()
{
    QTest::addColumn<float>("zoom");
    QTest::newRow("zoom 1.0") << 1.0f;
    QTest::newRow("zoom 0.6") << 0.6f;
    QTest::newRow("zoom 0.2") << 0.2f;
}

void TestWorldViewTools::shownCanvasFollowsEdits()
{
    // The canvas repaints only what an edit changed; what the window shows
    // after a run of edits must still be the whole picture.
    QFETCH(float, zoom);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    QVERIFY2(showExposed(&canvas), "the window was not exposed");
    const auto check = [&](const char* step) {
        const QString difference = shownDifference(canvas);
        return difference.isEmpty() ? QString() : QStringLiteral("%1: %2").arg(step, difference);
    };
    QString failure;

    dragCells(canvas, Qt::LeftButton, {QPoint(1, 1), QPoint(2, 1), QPoint(3, 2)});
    failure = check("paint drag");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    canvas.setTool(WorldViewWidget::Square);
    dragCells(canvas, Qt::LeftButton, {QPoint(6, 6), QPoint(8, 7), QPoint(4, 4), QPoint(9, 8)});
    failure = check("square drag");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    canvas.setTool(WorldViewWidget::Select);
    dragCells(canvas, Qt::LeftButton, {QPoint(10, 10), QPoint(14, 12), QPoint(11, 11)});
    failure = check("select drag");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    clickCell(canvas, Qt::RightButton, QPoint(20, 3));
    failure = check("right click dropping the selection");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    clickCell(canvas, Qt::MiddleButton, QPoint(0, 0));
    sendMove(&canvas, cellCentre(canvas, QPoint(29, 29)), Qt::NoButton);
    failure = check("middle click and hover");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    canvas.setTool(WorldViewWidget::Erase);
    dragCells(canvas, Qt::LeftButton, {QPoint(8, 7), QPoint(9, 7)});
    failure = check("erase drag");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    parkMarks(canvas, QPoint(7, 7));
    clickCell(canvas, Qt::LeftButton, QPoint(7, 7));
    failure = check("erase under the marks");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    canvas.setTool(WorldViewWidget::Paint);
    parkMarks(canvas, QPoint(15, 15));
    clickCell(canvas, Qt::LeftButton, QPoint(15, 15));
    failure = check("paint under the marks");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    canvas.setTool(WorldViewWidget::Pass);
    clickCell(canvas, Qt::LeftButton, QPoint(5, 5));
    failure = check("pass toggle");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    parkMarks(canvas, QPoint(15, 16));
    clickCell(canvas, Qt::LeftButton, QPoint(15, 16));
    failure = check("pass toggle under the marks");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));

    canvas.setLayer(false);
    failure = check("bottom layer current");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

QTEST_MAIN(TestWorldViewTools)
#include "tst_worldviewtools.moc"

#include "canvas/worldviewwidget.h"
#include "support/canvasdriver.h"
#include "support/windowstate.h"

#include <QTest>

// Copy, cut and paste on the canvas, with the selection and the current cell
// set by the mouse as a user sets them.
class TestWorldViewClipboard : public QObject
{
    Q_OBJECT

private slots:
    void singleCellAfterRightClick_data();
    void singleCellAfterRightClick();
    void rectangleClippedAtEdge_data();
    void rectangleClippedAtEdge();
    void cutThenPasteRestores_data();
    void cutThenPasteRestores();
    void pasteTwice();
    void bottomLayerIntoTop();
    void emptyClipboardPaste();
    void selectionPastEdge_data();
    void selectionPastEdge();
    void copyDuringBackwardsSquare_data();
    void copyDuringBackwardsSquare();
    void selectionUntouched_data();
    void selectionUntouched();
    void shownCanvasFollowsClipboard_data();
    void shownCanvasFollowsClipboard();

private:
    QPixmap tileSet = QPixmap::fromImage(testTileSetImage());
    void prepare(WorldViewWidget& canvas, float zoom);
    // Paints every cell of `cells` in the current layer with values of its own.
    void paintDistinct(WorldViewWidget& canvas, const QRect& cells);
};

namespace {

const QString setName = QStringLiteral("tiles.png");

LayerTiles layer(const WorldViewWidget& canvas, bool top)
{
    return top ? canvas.topLayerCells() : canvas.bottomLayerCells();
}

void selectDrag(WorldViewWidget& canvas, const QPoint& anchor, const QPoint& far)
{
    const int tool = canvas.tool();
    canvas.setTool(WorldViewWidget::Select);
    dragCells(canvas, Qt::LeftButton, {anchor, far});
    canvas.setTool(tool);
}

QString cellValues(const WorldViewWidget& canvas, bool top, const QPoint& cell)
{
    return tileValues(layer(canvas, top)[cell.x()][cell.y()]);
}

} // namespace

void TestWorldViewClipboard::prepare(WorldViewWidget& canvas, float zoom)
{
    canvas.setZoom(zoom);
    canvas.addTileSet(&tileSet, setName);
}

void TestWorldViewClipboard::paintDistinct(WorldViewWidget& canvas, const QRect& cells)
{
    for (int x = cells.left(); x <= cells.right(); ++x) {
        for (int y = cells.top(); y <= cells.bottom(); ++y) {
            pickBrush(canvas, setName, (x * 7 + y * 3) % 15, (x + y) % 2 == 0, &tileSet);
            clickCell(canvas, Qt::LeftButton, QPoint(x, y));
        }
    }
}

void TestWorldViewClipboard::singleCellAfterRightClick_data()
{
    QTest::addColumn<float>("zoom");
    QTest::newRow("zoom 1.0") << 1.0f;
    QTest::newRow("zoom 0.6") << 0.6f;
}

void TestWorldViewClipboard::singleCellAfterRightClick()
{
    QFETCH(float, zoom);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    paintDistinct(canvas, QRect(2, 3, 3, 3));
    pickBrush(canvas, setName, 2, true, &tileSet);
    clickCell(canvas, Qt::LeftButton, QPoint(3, 4));
    canvas.copy();
    QVERIFY(canvas.clipboardContent().singleCell());

    clickCell(canvas, Qt::RightButton, QPoint(10, 10));
    const LayerCopy top(canvas.topLayerCells());
    const LayerCopy bottom(canvas.bottomLayerCells());
    canvas.paste();
    QCOMPARE(top.changedIn(canvas.topLayerCells()), QList<QPoint>{QPoint(10, 10)});
    QCOMPARE(cellValues(canvas, true, QPoint(10, 10)), cellValues(canvas, true, QPoint(3, 4)));
    QCOMPARE(canvas.topLayerCells()[10][10].tileSet, canvas.tileSetImage(0));
    QVERIFY(bottom.changedIn(canvas.bottomLayerCells()).isEmpty());
}

void TestWorldViewClipboard::rectangleClippedAtEdge_data()
{
    QTest::addColumn<float>("zoom");
    QTest::newRow("zoom 1.0") << 1.0f;
    QTest::newRow("zoom 0.4") << 0.4f;
}

void TestWorldViewClipboard::rectangleClippedAtEdge()
{
    QFETCH(float, zoom);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    paintDistinct(canvas, QRect(2, 2, 3, 2));
    selectDrag(canvas, QPoint(2, 2), QPoint(4, 3));
    canvas.copy();
    QCOMPARE(canvas.clipboardContent().width(), 3);
    QCOMPARE(canvas.clipboardContent().height(), 2);

    clickCell(canvas, Qt::RightButton, QPoint(28, 29));
    const LayerCopy top(canvas.topLayerCells());
    canvas.paste();
    QCOMPARE(top.changedIn(canvas.topLayerCells()), (QList<QPoint>{QPoint(28, 29), QPoint(29, 29)}));
    QCOMPARE(cellValues(canvas, true, QPoint(28, 29)), cellValues(canvas, true, QPoint(2, 2)));
    QCOMPARE(cellValues(canvas, true, QPoint(29, 29)), cellValues(canvas, true, QPoint(3, 2)));
    QVERIFY(filledCells(canvas.bottomLayerCells()).isEmpty());
}

void TestWorldViewClipboard::cutThenPasteRestores_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<bool>("top");
    QTest::newRow("zoom 1.0, top layer") << 1.0f << true;
    QTest::newRow("zoom 0.8, top layer") << 0.8f << true;
    QTest::newRow("zoom 0.6, bottom layer") << 0.6f << false;
}

void TestWorldViewClipboard::cutThenPasteRestores()
{
    QFETCH(float, zoom);
    QFETCH(bool, top);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    // Both layers hold tiles around and under the selection.
    canvas.setLayer(!top);
    paintDistinct(canvas, QRect(1, 1, 5, 4));
    canvas.setLayer(top);
    paintDistinct(canvas, QRect(1, 1, 5, 4));
    const LayerCopy current(layer(canvas, top));
    const LayerCopy other(layer(canvas, !top));

    selectDrag(canvas, QPoint(2, 2), QPoint(4, 3));
    QCOMPARE(canvas.currentCellPosition(), QPoint(2, 2));
    canvas.cut();
    QCOMPARE(current.changedIn(layer(canvas, top)), (QList<QPoint>{QPoint(2, 2), QPoint(2, 3), QPoint(3, 2),
                                                                   QPoint(3, 3), QPoint(4, 2), QPoint(4, 3)}));
    for (const QPoint& cell : current.changedIn(layer(canvas, top))) {
        const Tile& tile = layer(canvas, top)[cell.x()][cell.y()];
        QVERIFY(tile.isEmpty());
        QVERIFY(!tile.pass);
    }
    QVERIFY(other.changedIn(layer(canvas, !top)).isEmpty());
    QCOMPARE(canvas.selection(), std::optional<QRect>(QRect(2, 2, 3, 2)));

    canvas.paste();
    QVERIFY(current.changedIn(layer(canvas, top)).isEmpty());
    QVERIFY(other.changedIn(layer(canvas, !top)).isEmpty());
}

void TestWorldViewClipboard::pasteTwice()
{
    WorldViewWidget canvas;
    prepare(canvas, 1.0f);
    paintDistinct(canvas, QRect(2, 2, 2, 1));
    selectDrag(canvas, QPoint(2, 2), QPoint(3, 2));
    canvas.copy();
    clickCell(canvas, Qt::RightButton, QPoint(10, 10));
    canvas.paste();
    const LayerCopy once(canvas.topLayerCells());
    canvas.paste();
    QVERIFY(once.changedIn(canvas.topLayerCells()).isEmpty());

    clickCell(canvas, Qt::RightButton, QPoint(20, 5));
    canvas.paste();
    QCOMPARE(once.changedIn(canvas.topLayerCells()), (QList<QPoint>{QPoint(20, 5), QPoint(21, 5)}));
    for (const QPoint& offset : {QPoint(0, 0), QPoint(1, 0)}) {
        const QString original = cellValues(canvas, true, QPoint(2, 2) + offset);
        QCOMPARE(cellValues(canvas, true, QPoint(10, 10) + offset), original);
        QCOMPARE(cellValues(canvas, true, QPoint(20, 5) + offset), original);
        QCOMPARE(tileValues(canvas.map().tile(*canvas.clipboardContent().cellAt(offset.x(), 0))), original);
    }
}

void TestWorldViewClipboard::bottomLayerIntoTop()
{
    WorldViewWidget canvas;
    prepare(canvas, 0.8f);
    canvas.setLayer(false);
    pickBrush(canvas, setName, 5, true, &tileSet);
    clickCell(canvas, Qt::LeftButton, QPoint(5, 5));
    pickBrush(canvas, setName, 6, false, &tileSet);
    clickCell(canvas, Qt::LeftButton, QPoint(6, 5));
    selectDrag(canvas, QPoint(5, 5), QPoint(6, 5));
    canvas.copy();

    canvas.setLayer(true);
    clickCell(canvas, Qt::RightButton, QPoint(12, 12));
    const LayerCopy bottom(canvas.bottomLayerCells());
    canvas.paste();
    QCOMPARE(filledCells(canvas.topLayerCells()), (QList<QPoint>{QPoint(12, 12), QPoint(13, 12)}));
    QCOMPARE(cellValues(canvas, true, QPoint(12, 12)), cellValues(canvas, false, QPoint(5, 5)));
    QCOMPARE(cellValues(canvas, true, QPoint(13, 12)), cellValues(canvas, false, QPoint(6, 5)));
    QVERIFY(canvas.topLayerCells()[12][12].pass);
    QVERIFY(!canvas.topLayerCells()[13][12].pass);
    QCOMPARE(canvas.topLayerCells()[12][12].tileSet, canvas.tileSetImage(0));
    QVERIFY(bottom.changedIn(canvas.bottomLayerCells()).isEmpty());
}

void TestWorldViewClipboard::emptyClipboardPaste()
{
    WorldViewWidget canvas;
    prepare(canvas, 1.0f);
    paintDistinct(canvas, QRect(0, 0, 4, 4));
    clickCell(canvas, Qt::RightButton, QPoint(1, 1));
    const LayerCopy top(canvas.topLayerCells());
    canvas.paste();
    QVERIFY(top.changedIn(canvas.topLayerCells()).isEmpty());
    QVERIFY(canvas.clipboardContent().isEmpty());
}

void TestWorldViewClipboard::selectionPastEdge_data()
{
    QTest::addColumn<float>("zoom");
    QTest::newRow("zoom 1.0") << 1.0f;
    QTest::newRow("zoom 0.6") << 0.6f;
}

void TestWorldViewClipboard::selectionPastEdge()
{
    QFETCH(float, zoom);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    paintDistinct(canvas, QRect(26, 27, 4, 3));
    const LayerCopy painted(canvas.topLayerCells());
    // The pointer leaves the widget to the right and below; the selection
    // stays within the map.
    selectDrag(canvas, QPoint(27, 28), QPoint(32, 33));
    QCOMPARE(canvas.selection(), std::optional<QRect>(QRect(QPoint(27, 28), QPoint(29, 29))));
    canvas.copy();
    QCOMPARE(canvas.clipboardContent().width(), 3);
    QCOMPARE(canvas.clipboardContent().height(), 2);

    clickCell(canvas, Qt::RightButton, QPoint(27, 28));
    QVERIFY(canvas.selection());
    canvas.cut();
    QCOMPARE(painted.changedIn(canvas.topLayerCells()).size(), 6);
    canvas.paste();
    QVERIFY(painted.changedIn(canvas.topLayerCells()).isEmpty());

    clickCell(canvas, Qt::RightButton, QPoint(0, 0));
    canvas.paste();
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 2; ++j)
            QCOMPARE(cellValues(canvas, true, QPoint(i, j)), cellValues(canvas, true, QPoint(27 + i, 28 + j)));
    }
    QCOMPARE(painted.changedIn(canvas.topLayerCells()).size(), 6);
}

void TestWorldViewClipboard::copyDuringBackwardsSquare_data()
{
    QTest::addColumn<QPoint>("far");
    QTest::addColumn<bool>("cut");
    QTest::addColumn<QRect>("held"); // the cells the clipboard holds; null for none
    QTest::newRow("one column left holds nothing") << QPoint(4, 5) << false << QRect();
    QTest::newRow("one row above holds nothing") << QPoint(5, 4) << false << QRect();
    QTest::newRow("two columns left holds the swapped cells") << QPoint(3, 5) << false << QRect(3, 5, 3, 1);
    QTest::newRow("two rows above holds the swapped cells") << QPoint(5, 3) << false << QRect(5, 3, 1, 3);
    QTest::newRow("left and above swaps both") << QPoint(2, 3) << false << QRect(2, 3, 4, 3);
    QTest::newRow("cut one column left empties nothing") << QPoint(4, 5) << true << QRect();
    QTest::newRow("cut left and above empties the swapped cells") << QPoint(2, 3) << true << QRect(2, 3, 4, 3);
}

void TestWorldViewClipboard::copyDuringBackwardsSquare()
{
    QFETCH(QPoint, far);
    QFETCH(bool, cut);
    QFETCH(QRect, held);
    WorldViewWidget canvas;
    prepare(canvas, 1.0f);
    paintDistinct(canvas, QRect(1, 1, 6, 6));
    const LayerCopy before(canvas.topLayerCells());
    canvas.setTool(WorldViewWidget::Square);
    QTest::mousePress(&canvas, Qt::LeftButton, Qt::NoModifier, cellCentre(canvas, QPoint(5, 5)));
    sendMove(&canvas, cellCentre(canvas, far), Qt::LeftButton);
    if (cut)
        canvas.cut();
    else
        canvas.copy();

    const TileClipboard& clipboard = canvas.clipboardContent();
    QCOMPARE(clipboard.isEmpty(), held.isNull());
    QCOMPARE(clipboard.width(), held.width());
    QCOMPARE(clipboard.height(), held.height());
    for (int i = 0; i < held.width(); ++i) {
        for (int j = 0; j < held.height(); ++j)
            QCOMPARE(tileValues(canvas.map().tile(*clipboard.cellAt(i, j))),
                     before.valuesAt(held.left() + i, held.top() + j));
    }
    QCOMPARE(clipboard.cellAt(held.width(), 0), nullptr);
    QCOMPARE(clipboard.cellAt(0, held.height()), nullptr);
    if (cut) {
        QList<QPoint> emptied;
        for (int x = held.left(); x <= held.right(); ++x) {
            for (int y = held.top(); y <= held.bottom(); ++y)
                emptied << QPoint(x, y);
        }
        QCOMPARE(before.changedIn(canvas.topLayerCells()), emptied);
    }
    QCOMPARE(canvas.selection(), std::optional<QRect>(QRect(QPoint(5, 5), far)));
    QTest::mouseRelease(&canvas, Qt::LeftButton, Qt::NoModifier, cellCentre(canvas, far));
}

void TestWorldViewClipboard::selectionUntouched_data()
{
    QTest::addColumn<int>("operation"); // 0 copy, 1 cut, 2 paste
    QTest::addColumn<bool>("selected");
    const char* names[] = {"copy", "cut", "paste"};
    for (int operation = 0; operation < 3; ++operation) {
        QTest::newRow(qPrintable(QStringLiteral("%1 with a selection").arg(names[operation]))) << operation << true;
        QTest::newRow(qPrintable(QStringLiteral("%1 without one").arg(names[operation]))) << operation << false;
    }
}

void TestWorldViewClipboard::selectionUntouched()
{
    QFETCH(int, operation);
    QFETCH(bool, selected);
    WorldViewWidget canvas;
    prepare(canvas, 0.6f);
    paintDistinct(canvas, QRect(3, 3, 4, 4));
    clickCell(canvas, Qt::RightButton, QPoint(4, 4));
    canvas.copy();
    if (selected)
        selectDrag(canvas, QPoint(4, 4), QPoint(6, 5));
    const std::optional<QRect> selection = canvas.selection();
    const QPoint current = canvas.currentCellPosition();
    switch (operation) {
    case 0:
        canvas.copy();
        break;
    case 1:
        canvas.cut();
        break;
    default:
        canvas.paste();
        break;
    }
    QCOMPARE(canvas.selection(), selection);
    QCOMPARE(canvas.currentCellPosition(), current);
}

void TestWorldViewClipboard::shownCanvasFollowsClipboard_data()
{
    QTest::addColumn<float>("zoom");
    QTest::newRow("zoom 1.0") << 1.0f;
    QTest::newRow("zoom 0.4") << 0.4f;
}

void TestWorldViewClipboard::shownCanvasFollowsClipboard()
{
    // Cut and paste repaint the cells they change, also where neither the
    // marks nor the selection frame move.
    QFETCH(float, zoom);
    WorldViewWidget canvas;
    prepare(canvas, zoom);
    paintDistinct(canvas, QRect(2, 2, 4, 3));
    QVERIFY2(showExposed(&canvas), "the window was not exposed");

    selectDrag(canvas, QPoint(3, 3), QPoint(5, 4));
    canvas.copy();
    parkMarks(canvas, QPoint(10, 10));
    canvas.paste();
    QString difference = shownDifference(canvas);
    QVERIFY2(difference.isEmpty(), qPrintable("rectangle paste: " + difference));

    selectDrag(canvas, QPoint(2, 2), QPoint(4, 3));
    QCoreApplication::processEvents();
    canvas.cut();
    difference = shownDifference(canvas);
    QVERIFY2(difference.isEmpty(), qPrintable("rectangle cut: " + difference));

    clickCell(canvas, Qt::LeftButton, QPoint(5, 2));
    canvas.copy();
    parkMarks(canvas, QPoint(20, 20));
    canvas.paste();
    difference = shownDifference(canvas);
    QVERIFY2(difference.isEmpty(), qPrintable("single paste: " + difference));
    canvas.cut();
    difference = shownDifference(canvas);
    QVERIFY2(difference.isEmpty(), qPrintable("single cut: " + difference));
}

QTEST_MAIN(TestWorldViewClipboard)
#include "tst_worldviewclipboard.moc"

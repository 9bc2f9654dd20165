#include "model/tileclipboard.h"
#include "model/worldmap.h"
#include "support/canvasdriver.h"

#include "model/layertiles.h"

#include <QTest>

// The clipboard on its own, on plain grids of cells: which cells a stored
// rectangle takes and what copy holds; and where the map pastes it.
class TestTileClipboard : public QObject
{
    Q_OBJECT

private slots:
    void containedCells_data();
    void containedCells();
    void copySingleCell_data();
    void copySingleCell();
    void copyRectangle_data();
    void copyRectangle();
    void copyHoldsValues();
    void pasteSingleCell_data();
    void pasteSingleCell();
    void pasteRectangle_data();
    void pasteRectangle();
    void pasteWritesBlanks();
    void pasteTwiceKeepsContent();
    void emptyClipboard();
};

namespace {

// A 30 x 30 grid whose every cell has values of its own, from the map
// slots 1 and 2.
CellGrid distinctGrid()
{
    CellGrid grid(30, 30);
    for (int x = 0; x < 30; ++x) {
        for (int y = 0; y < 30; ++y)
            grid.at(x, y) = Cell(x % 2 ? 2 : 1, x * 100 + y, (x + y) % 3 == 0);
    }
    return grid;
}

// A 30 x 30 map whose slots 1 and 2 are the tile sets of distinctGrid().
struct PasteTarget
{
    PasteTarget()
        : map(30, 30)
    {
        map.slotOf(QStringLiteral("a.png"));
        map.slotOf(QStringLiteral("b.png"));
    }
    QRect paste(const TileClipboard& clipboard, const QPoint& at)
    {
        QRect changed;
        const QMetaObject::Connection report = QObject::connect(
            &map, &WorldMap::cellsChanged, &map, [&changed](const QRect& cells) { changed = cells; });
        CellPatch record;
        map.paste(Layer::Top, at, clipboard.cells(), &record);
        QObject::disconnect(report);
        return changed;
    }
    LayerTiles top() const { return LayerTiles(map, Layer::Top); }

    WorldMap map;
};

QString values(const Cell& cell)
{
    return QStringLiteral("set %1 index %2 pass %3").arg(cell.tileSet).arg(cell.tileIndex).arg(cell.pass);
}

QRect cellSpan(const QPoint& anchor, const QPoint& far)
{
    return QRect(anchor, far);
}

} // namespace

void TestTileClipboard::containedCells_data()
{
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QRect>("cells");
    QTest::newRow("normal rectangle") << cellSpan({2, 2}, {4, 3}) << QRect(2, 2, 3, 2);
    QTest::newRow("one cell") << cellSpan({5, 5}, {5, 5}) << QRect(5, 5, 1, 1);
    QTest::newRow("far corner one column left") << cellSpan({5, 5}, {4, 5}) << QRect();
    QTest::newRow("far corner two columns left") << cellSpan({5, 5}, {3, 5}) << QRect(3, 5, 3, 1);
    QTest::newRow("far corner one row above") << cellSpan({5, 5}, {5, 4}) << QRect();
    QTest::newRow("far corner two rows above") << cellSpan({5, 5}, {5, 3}) << QRect(5, 3, 1, 3);
    QTest::newRow("swapped both ways") << cellSpan({5, 5}, {2, 3}) << QRect(2, 3, 4, 3);
    QTest::newRow("one left, two above") << cellSpan({5, 5}, {4, 3}) << QRect();
    QTest::newRow("two left, one above") << cellSpan({5, 5}, {3, 4}) << QRect();
    QTest::newRow("past the map's left edge") << cellSpan({1, 1}, {-2, -2}) << QRect(-2, -2, 4, 4);
}

void TestTileClipboard::containedCells()
{
    QFETCH(QRect, stored);
    QFETCH(QRect, cells);
    QCOMPARE(::containedCells(stored), cells);
}

void TestTileClipboard::copySingleCell_data()
{
    QTest::addColumn<QPoint>("cell");
    QTest::addColumn<bool>("copied");
    QTest::newRow("inside the map") << QPoint(3, 4) << true;
    QTest::newRow("last cell") << QPoint(29, 29) << true;
    QTest::newRow("right of the map") << QPoint(30, 0) << false;
    QTest::newRow("below the map") << QPoint(0, 30) << false;
    QTest::newRow("left of the map") << QPoint(-1, 3) << false;
}

void TestTileClipboard::copySingleCell()
{
    QFETCH(QPoint, cell);
    QFETCH(bool, copied);
    const CellGrid layer = distinctGrid();
    TileClipboard clipboard;
    // Whatever was held before is replaced, also when nothing is copied.
    clipboard.copy(layer, QRect(1, 1, 2, 2), QPoint());
    QVERIFY(clipboard.holdsRectangle());

    QCOMPARE(clipboard.copy(layer, std::nullopt, cell), copied ? QRect(cell, cell) : QRect());
    QVERIFY(!clipboard.holdsRectangle());
    QCOMPARE(clipboard.isEmpty(), !copied);
    QCOMPARE(clipboard.cellAt(0, 0), nullptr);
    if (copied)
        QCOMPARE(values(*clipboard.singleCell()), values(layer.at(cell.x(), cell.y())));
    else
        QCOMPARE(clipboard.singleCell(), nullptr);
}

void TestTileClipboard::copyRectangle_data()
{
    QTest::addColumn<QRect>("selection");
    QTest::addColumn<QRect>("copied"); // in layer cells; null when nothing is
    QTest::newRow("inside the map") << cellSpan({2, 2}, {4, 3}) << QRect(2, 2, 3, 2);
    QTest::newRow("the whole map") << cellSpan({0, 0}, {29, 29}) << QRect(0, 0, 30, 30);
    QTest::newRow("past the right and bottom edges") << cellSpan({27, 28}, {32, 33}) << QRect(27, 28, 3, 2);
    QTest::newRow("starting left of and above the map") << cellSpan({-2, -1}, {1, 1}) << QRect(0, 0, 2, 2);
    QTest::newRow("entirely outside") << cellSpan({31, 0}, {33, 2}) << QRect();
    QTest::newRow("backwards by one column") << cellSpan({5, 5}, {4, 5}) << QRect();
    QTest::newRow("backwards by two columns") << cellSpan({5, 5}, {3, 5}) << QRect(3, 5, 3, 1);
    QTest::newRow("backwards past the left edge") << cellSpan({1, 1}, {-2, -2}) << QRect(0, 0, 2, 2);
}

void TestTileClipboard::copyRectangle()
{
    QFETCH(QRect, selection);
    QFETCH(QRect, copied);
    const CellGrid layer = distinctGrid();
    TileClipboard clipboard;
    clipboard.copy(layer, std::nullopt, QPoint(7, 7));
    QVERIFY(clipboard.singleCell());

    QCOMPARE(clipboard.copy(layer, selection, QPoint(7, 7)), copied);
    QCOMPARE(clipboard.singleCell(), nullptr);
    QCOMPARE(clipboard.isEmpty(), copied.isNull());
    QCOMPARE(clipboard.holdsRectangle(), !copied.isNull());
    QCOMPARE(clipboard.width(), copied.width());
    QCOMPARE(clipboard.height(), copied.height());
    // Exactly width x height cells, each in its place.
    for (int i = -1; i <= copied.width(); ++i) {
        for (int j = -1; j <= copied.height(); ++j) {
            const Cell* cell = clipboard.cellAt(i, j);
            const bool held = i >= 0 && j >= 0 && i < copied.width() && j < copied.height();
            QCOMPARE(cell != nullptr, held);
            if (held)
                QCOMPARE(values(*cell), values(layer.at(copied.left() + i, copied.top() + j)));
        }
    }
}

void TestTileClipboard::copyHoldsValues()
{
    CellGrid layer = distinctGrid();
    TileClipboard clipboard;
    clipboard.copy(layer, cellSpan({2, 2}, {3, 3}), QPoint());
    const QString held = values(*clipboard.cellAt(1, 1));
    layer.at(3, 3) = Cell();
    QCOMPARE(values(*clipboard.cellAt(1, 1)), held);
    QVERIFY(!clipboard.cellAt(1, 1)->isEmpty());
}

void TestTileClipboard::pasteSingleCell_data()
{
    QTest::addColumn<QPoint>("target");
    QTest::addColumn<bool>("written");
    QTest::newRow("inside the map") << QPoint(10, 10) << true;
    QTest::newRow("right of the map") << QPoint(30, 30) << false;
    QTest::newRow("left of the map") << QPoint(-1, 0) << false;
}

void TestTileClipboard::pasteSingleCell()
{
    QFETCH(QPoint, target);
    QFETCH(bool, written);
    const CellGrid source = distinctGrid();
    PasteTarget layer;
    TileClipboard clipboard;
    clipboard.copy(source, std::nullopt, QPoint(3, 4));
    const LayerCopy before(layer.top());

    QCOMPARE(layer.paste(clipboard, target), written ? QRect(target, target) : QRect());
    QCOMPARE(before.changedIn(layer.top()), written ? QList<QPoint>{target} : QList<QPoint>());
    if (written)
        QCOMPARE(values(layer.map.cells(Layer::Top).at(target.x(), target.y())), values(source.at(3, 4)));
}

void TestTileClipboard::pasteRectangle_data()
{
    QTest::addColumn<QRect>("selection");
    QTest::addColumn<QPoint>("target");
    QTest::addColumn<QRect>("written");
    QTest::newRow("inside the map") << cellSpan({2, 2}, {4, 3}) << QPoint(10, 10) << QRect(10, 10, 3, 2);
    QTest::newRow("clipped at the bottom right") << cellSpan({2, 2}, {4, 3}) << QPoint(28, 29)
                                                 << QRect(28, 29, 2, 1);
    QTest::newRow("from a current cell left of and above the map")
        << cellSpan({2, 2}, {4, 3}) << QPoint(-1, -1) << QRect(0, 0, 2, 1);
    QTest::newRow("entirely outside") << cellSpan({2, 2}, {4, 3}) << QPoint(30, 5) << QRect();
    QTest::newRow("edge selection back in place") << cellSpan({27, 28}, {32, 33}) << QPoint(27, 28)
                                                  << QRect(27, 28, 3, 2);
    QTest::newRow("edge selection at the origin") << cellSpan({27, 28}, {32, 33}) << QPoint(0, 0)
                                                  << QRect(0, 0, 3, 2);
}

void TestTileClipboard::pasteRectangle()
{
    QFETCH(QRect, selection);
    QFETCH(QPoint, target);
    QFETCH(QRect, written);
    const CellGrid source = distinctGrid();
    TileClipboard clipboard;
    const QRect copied = clipboard.copy(source, selection, QPoint());
    PasteTarget layer;
    const LayerCopy before(layer.top());

    QCOMPARE(layer.paste(clipboard, target), written);
    QList<QPoint> expected;
    for (int x = written.left(); x <= written.right(); ++x) {
        for (int y = written.top(); y <= written.bottom(); ++y) {
            expected << QPoint(x, y);
            const QPoint from = copied.topLeft() + QPoint(x, y) - target;
            QCOMPARE(values(layer.map.cells(Layer::Top).at(x, y)), values(source.at(from.x(), from.y())));
        }
    }
    QCOMPARE(before.changedIn(layer.top()), expected);
}

void TestTileClipboard::pasteWritesBlanks()
{
    CellGrid source = distinctGrid();
    source.at(3, 2) = Cell();
    TileClipboard clipboard;
    clipboard.copy(source, cellSpan({2, 2}, {4, 3}), QPoint());
    PasteTarget layer;
    clipboard.copy(distinctGrid(), cellSpan({0, 0}, {29, 29}), QPoint());
    layer.paste(clipboard, QPoint(0, 0));
    clipboard.copy(source, cellSpan({2, 2}, {4, 3}), QPoint());
    layer.paste(clipboard, QPoint(20, 20));
    QVERIFY(layer.top()[21][20].isEmpty());
    QVERIFY(!layer.top()[21][20].pass);
    QCOMPARE(filledCells(layer.top()).size(), 30 * 30 - 1);
}

void TestTileClipboard::pasteTwiceKeepsContent()
{
    const CellGrid source = distinctGrid();
    TileClipboard clipboard;
    clipboard.copy(source, cellSpan({2, 2}, {4, 3}), QPoint());
    PasteTarget layer;
    layer.paste(clipboard, QPoint(10, 10));
    layer.paste(clipboard, QPoint(20, 5));
    QCOMPARE(clipboard.width(), 3);
    QCOMPARE(clipboard.height(), 2);
    const CellGrid& cells = layer.map.cells(Layer::Top);
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 2; ++j) {
            const QString original = values(source.at(2 + i, 2 + j));
            QCOMPARE(values(*clipboard.cellAt(i, j)), original);
            QCOMPARE(values(cells.at(10 + i, 10 + j)), original);
            QCOMPARE(values(cells.at(20 + i, 5 + j)), original);
        }
    }
    QCOMPARE(filledCells(layer.top()).size(), 12);
}

void TestTileClipboard::emptyClipboard()
{
    TileClipboard clipboard;
    QVERIFY(clipboard.isEmpty());
    PasteTarget layer;
    const LayerCopy before(layer.top());
    QCOMPARE(layer.paste(clipboard, QPoint(3, 3)), QRect());
    QVERIFY(before.changedIn(layer.top()).isEmpty());

    clipboard.copy(distinctGrid(), cellSpan({1, 1}, {2, 2}), QPoint());
    clipboard.clear();
    QVERIFY(clipboard.isEmpty());
    QCOMPARE(clipboard.width(), 0);
    QCOMPARE(clipboard.height(), 0);
    QCOMPARE(clipboard.cellAt(0, 0), nullptr);
    QCOMPARE(layer.paste(clipboard, QPoint(3, 3)), QRect());
    QVERIFY(before.changedIn(layer.top()).isEmpty());
}

QTEST_MAIN(TestTileClipboard)
#include "tst_tileclipboard.moc"

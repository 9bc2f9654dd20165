#include "document/mapsteps.h"
#include "document/undohistory.h"
#include "model/worldmap.h"
#include "model/tile.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <limits>

#include <malloc.h>

// The map model on its own: edits record what they replace so exactly that
// undoing and redoing them gives back every earlier state; whole-map changes
// exchange their contents; the undo history stays within its budget.
class TestWorldMap : public QObject
{
    Q_OBJECT

private slots:
    void editsUndoAndRedoExactly_data();
    void editsUndoAndRedoExactly();
    void editReportsChangedCellsOnce();
    void resizeKeepsWhatItCuts_data();
    void resizeKeepsWhatItCuts();
    void swapContentsExchangesEverything();
    void namesOutliveTheirImages();
    void missingSetsInFileOrder();
    void historyKeepsWithinBudget();
    void historyBoundHoldsInResidentMemory_data();
    void historyBoundHoldsInResidentMemory();
};

namespace {

// Both layers, cell by cell, for comparing whole states.
QList<quint64> snapshot(const WorldMap& map)
{
    QList<quint64> cells;
    for (Layer layer : { Layer::Top, Layer::Bottom }) {
        const CellGrid& grid = map.cells(layer);
        for (int x = 0; x < grid.width(); ++x) {
            for (int y = 0; y < grid.height(); ++y) {
                const Cell& cell = grid.at(x, y);
                cells << (quint64(quint32(cell.tileIndex)) << 32 | quint64(cell.tileSet) << 1 | cell.pass);
            }
        }
    }
    return cells;
}

Cell randomCell(QRandomGenerator& random)
{
    if (random.bounded(4) == 0)
        return Cell(0, -1, random.bounded(2) == 1);
    return Cell(1 + random.bounded(3), int(random.bounded(50)), random.bounded(2) == 1);
}

} // namespace

void TestWorldMap::editsUndoAndRedoExactly_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QSize>("size");
    QTest::newRow("square map") << 1u << QSize(12, 12);
    QTest::newRow("wide map") << 2u << QSize(40, 3);
    QTest::newRow("one column") << 3u << QSize(1, 25);
}

void TestWorldMap::editsUndoAndRedoExactly()
{
    // Random edits of every kind, some overlapping, some partly or wholly
    // outside the map, each one step; undoing them one by one must pass
    // through every earlier state, and redoing them through every later one.
    QFETCH(quint32, seed);
    QFETCH(QSize, size);
    QRandomGenerator random(seed);
    WorldMap map(size.width(), size.height());
    for (const char* name : { "a.png", "b.png", "c.png" })
        map.slotOf(QString::fromLatin1(name));

    std::vector<CellPatch> steps;
    QList<QList<quint64>> states { snapshot(map) };
    for (int i = 0; i < 60; ++i) {
        const Layer layer = random.bounded(2) ? Layer::Top : Layer::Bottom;
        const QRect area(int(random.bounded(-3, size.width() + 2)), int(random.bounded(-3, size.height() + 2)),
                         int(random.bounded(1, 8)), int(random.bounded(1, 8)));
        CellPatch patch;
        switch (random.bounded(4)) {
        case 0:
            map.fill(layer, area, randomCell(random), &patch);
            break;
        case 1: {
            std::vector<QPoint> places;
            for (int n = 0; n < 6; ++n)
                places.push_back(area.topLeft() + QPoint(int(random.bounded(8)), int(random.bounded(8))));
            map.fill(layer, places, randomCell(random), &patch);
            // The same stroke again, merged: a cell changed twice in one step.
            map.fill(layer, places, randomCell(random), &patch);
            break;
        }
        case 2:
            map.setPass(area, random.bounded(2) == 1, &patch);
            break;
        default: {
            CellGrid block(area.width(), area.height());
            for (int x = 0; x < block.width(); ++x) {
                for (int y = 0; y < block.height(); ++y)
                    block.at(x, y) = randomCell(random);
            }
            map.paste(layer, area.topLeft(), block, &patch);
        }
        }
        steps.push_back(std::move(patch));
        states << snapshot(map);
    }
    for (int i = int(steps.size()) - 1; i >= 0; --i) {
        map.swap(steps[size_t(i)], true);
        QVERIFY2(snapshot(map) == states[i], qPrintable(QStringLiteral("undo of step %1").arg(i)));
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        map.swap(steps[i], false);
        QVERIFY2(snapshot(map) == states[int(i) + 1], qPrintable(QStringLiteral("redo of step %1").arg(i)));
    }
}

void TestWorldMap::editReportsChangedCellsOnce()
{
    WorldMap map(10, 10);
    const quint32 set = map.slotOf(QStringLiteral("a.png"));
    QSignalSpy changed(&map, &WorldMap::cellsChanged);
    CellPatch patch;
    map.fill(Layer::Top, QRect(2, 3, 4, 2), Cell(set, 1, false), &patch);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.takeFirst().at(0).toRect(), QRect(2, 3, 4, 2));
    // Writing what is there already changes nothing, reports nothing.
    map.fill(Layer::Top, QRect(2, 3, 2, 2), Cell(set, 1, false), &patch);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(patch.list().size(), size_t(8));
    // Only cells inside the map, and only those that change, are reported.
    map.fill(Layer::Top, QRect(-5, -5, 8, 9), Cell(set, 1, false), &patch);
    QCOMPARE(changed.takeFirst().at(0).toRect(), QRect(0, 0, 3, 4));
}

void TestWorldMap::resizeKeepsWhatItCuts_data()
{
    QTest::addColumn<QSize>("to");
    QTest::newRow("narrower") << QSize(3, 8);
    QTest::newRow("lower") << QSize(8, 2);
    QTest::newRow("narrower and taller") << QSize(2, 20);
    QTest::newRow("larger") << QSize(30, 11);
}

void TestWorldMap::resizeKeepsWhatItCuts()
{
    QFETCH(QSize, to);
    WorldMap map(8, 8);
    const quint32 set = map.slotOf(QStringLiteral("a.png"));
    CellPatch edit;
    for (int i = 0; i < 8; ++i) {
        map.fill(Layer::Top, QRect(i, 7 - i, 1, 1), Cell(set, i, i % 2 == 0), &edit);
        map.fill(Layer::Bottom, QRect(i, i, 1, 1), Cell(set, 10 + i, false), &edit);
    }
    map.setPass(QRect(6, 0, 2, 1), true, &edit);
    const QList<quint64> before = snapshot(map);

    ResizeStep step(map, QStringLiteral("Resize"), to);
    step.redo();
    QCOMPARE(map.size(), to);
    for (int x = 0; x < to.width(); ++x) {
        for (int y = 0; y < to.height(); ++y) {
            const bool inOld = x < 8 && y < 8;
            QCOMPARE(!map.cells(Layer::Bottom).at(x, y).isEmpty(), inOld && x == y);
        }
    }
    step.undo();
    QCOMPARE(map.size(), QSize(8, 8));
    QCOMPARE(snapshot(map), before);
    step.redo();
    step.undo();
    QCOMPARE(snapshot(map), before);
}

void TestWorldMap::swapContentsExchangesEverything()
{
    WorldMap map(5, 4);
    const QPixmap a(40, 40);
    const QPixmap b(80, 40);
    map.addTileSet(QStringLiteral("a.png"), a);
    CellPatch edit;
    map.fill(Layer::Top, QRect(1, 1, 1, 1), Cell(map.slotOf(QStringLiteral("a.png")), 0, true), &edit);
    map.setFileName(QStringLiteral("first.map"));
    const QList<quint64> first = snapshot(map);

    // "gone.png" did not load: its cells keep the name.
    MapContents second;
    second.size = QSize(2, 3);
    second.top = CellGrid(2, 3);
    second.bottom = CellGrid(2, 3);
    second.bottom.at(1, 2) = Cell(map.slotOf(QStringLiteral("gone.png")), 3, false);
    second.tileSets = { { QStringLiteral("b.png"), b, b, QString() } };
    second.fileName = QStringLiteral("second.map");

    map.swapContents(&second);
    QCOMPARE(map.size(), QSize(2, 3));
    QCOMPARE(map.tileSetNames(), QStringList { QStringLiteral("b.png") });
    QCOMPARE(map.tileSetImage(0)->cacheKey(), b.cacheKey());
    QCOMPARE(map.missingTileSets(), QStringList { QStringLiteral("gone.png") });
    QCOMPARE(map.fileName(), QStringLiteral("second.map"));
    QCOMPARE(map.shownTileSet(), 0);
    // What went out is what the map held, images too.
    QCOMPARE(second.size, QSize(5, 4));
    QCOMPARE(int(second.tileSets.size()), 1);
    QCOMPARE(second.tileSets[0].name, QStringLiteral("a.png"));
    QCOMPARE(second.tileSets[0].drawn.cacheKey(), a.cacheKey());
    QCOMPARE(second.fileName, QStringLiteral("first.map"));

    map.swapContents(&second);
    QCOMPARE(snapshot(map), first);
    QCOMPARE(map.tileSetIndex(QStringLiteral("a.png")), 0);
    QCOMPARE(map.fileName(), QStringLiteral("first.map"));
    // A blank map is kept as nothing at all.
    MapContents blank;
    blank.size = QSize(1000, 1000);
    map.swapContents(&blank);
    map.swapContents(&blank);
    QCOMPARE(blank.bytes(), 0);
}

void TestWorldMap::namesOutliveTheirImages()
{
    WorldMap map(3, 3);
    map.addTileSet(QStringLiteral("a.png"), QPixmap(80, 40));
    map.addTileSet(QStringLiteral("a.png"), QPixmap(80, 40));
    QCOMPARE(map.tileSetCount(), 2);
    QCOMPARE(map.tileSetImage(0), map.tileSetImage(1));
    const quint32 slot = map.slotOf(QStringLiteral("a.png"));
    const Tile brush(QStringLiteral("a.png"), nullptr, 1, true);
    const Cell cell = map.cellOf(brush);
    QCOMPARE(cell, Cell(slot, 1, true));
    CellPatch edit;
    map.fill(Layer::Top, QRect(0, 0, 1, 1), cell, &edit);

    map.clearTileSets();
    // The set is gone, its slot is not: a cell of it finds its name again.
    QCOMPARE(map.cellOf(brush), cell);
    QCOMPARE(map.slotOf(QStringLiteral("a.png")), slot);
    QCOMPARE(map.tile(Layer::Top, 0, 0).tileSetFile, QStringLiteral("a.png"));
    QCOMPARE(map.tile(Layer::Top, 0, 0).tileSet, nullptr);
    map.addTileSet(QStringLiteral("a.png"), QPixmap(80, 40));
    QCOMPARE(map.tile(Layer::Top, 0, 0).tileSet, map.drawnImage(0));
}

void TestWorldMap::missingSetsInFileOrder()
{
    WorldMap map(4, 3);
    map.addTileSet(QStringLiteral("loaded.png"), QPixmap(40, 40));
    CellPatch edit;
    const auto place = [&](Layer layer, int x, int y, const char* name) {
        map.fill(layer, QRect(x, y, 1, 1), Cell(map.slotOf(QString::fromLatin1(name)), 0, false), &edit);
    };
    place(Layer::Bottom, 0, 0, "bottom.png");
    place(Layer::Top, 3, 0, "row0.png");
    place(Layer::Top, 0, 2, "row2.png");
    place(Layer::Top, 2, 1, "row1.png");
    place(Layer::Top, 1, 1, "loaded.png");
    place(Layer::Bottom, 3, 2, "row0.png");
    QCOMPARE(map.missingTileSets(), (QStringList { QStringLiteral("row0.png"), QStringLiteral("row1.png"),
                                                   QStringLiteral("row2.png"), QStringLiteral("bottom.png") }));
}

void TestWorldMap::historyKeepsWithinBudget()
{
    // A budget of three one-cell steps keeps the newest three steps, and
    // always the newest one.
    WorldMap map(10, 1);
    const quint32 set = map.slotOf(QStringLiteral("a.png"));
    const auto oneCellStep = [&](WorldMap& target, int x) {
        CellPatch done;
        target.fill(Layer::Top, QRect(x, 0, 1, 1), Cell(set, x, false), &done);
        done.list().shrink_to_fit();
        return new CellStep(target, QStringLiteral("Paint"), std::move(done));
    };
    WorldMap scratch(10, 1);
    UndoHistory probe;
    probe.push(oneCellStep(scratch, 0));
    const qint64 step = probe.storedBytes();
    UndoHistory history(3 * step);
    for (int x = 0; x < 6; ++x)
        history.push(oneCellStep(map, x));
    QCOMPARE(history.stepCount(), 3);
    QCOMPARE(history.storedBytes(), 3 * step);
    for (int i = 0; i < 3; ++i)
        history.undo();
    QVERIFY(!history.canUndo());
    QVERIFY(history.undoText().isEmpty());
    history.undo();
    for (int x = 0; x < 10; ++x)
        QCOMPARE(map.cells(Layer::Top).at(x, 0).isEmpty(), x >= 3);

    CellPatch large;
    map.fill(Layer::Top, QRect(0, 0, 10, 1), Cell(set, 99, true), &large);
    history.push(new CellStep(map, QStringLiteral("Square Fill"), std::move(large)));
    QCOMPARE(history.stepCount(), 1);
    QVERIFY(history.canUndo());
    history.undo();
    QCOMPARE(map.cells(Layer::Top).at(9, 0), Cell());
}

void TestWorldMap::historyBoundHoldsInResidentMemory_data()
{
    QTest::addColumn<qint64>("budget");
    QTest::addColumn<int>("steps");
    QTest::newRow("200,000 steps over a 16 MB bound") << qint64(16) * 1024 * 1024 << 200000;
    QTest::newRow("100,000 steps, all kept") << std::numeric_limits<qint64>::max() << 100000;
}

void TestWorldMap::historyBoundHoldsInResidentMemory()
{
#ifdef __SANITIZE_ADDRESS__
    QSKIP("the sanitizer's allocator holds memory of its own");
#endif
    QFETCH(qint64, budget);
    QFETCH(int, steps);
    const auto resident = [] {
        QFile status(QStringLiteral("/proc/self/statm"));
        return status.open(QIODevice::ReadOnly) ? status.readAll().split(' ').value(1).toLongLong() * 4096
                                                : 0;
    };
    WorldMap map(255, 255);
    const quint32 set = map.slotOf(QStringLiteral("a.png"));
    UndoHistory history(budget);
    // Memory freed before, kept by the allocator, would hide the growth.
    ::malloc_trim(0);
    const qint64 before = resident();
    // One-cell steps as the canvas makes them, each with its own text.
    for (int i = 0; i < steps; ++i) {
        CellPatch done;
        map.fill(Layer::Top, QRect(i % 255, i / 255 % 255, 1, 1), Cell(set, i % 1000 + 1, false), &done);
        history.push(new CellStep(map, QString::fromLatin1("Paint Tiles"), std::move(done)));
    }
    const qint64 grown = resident() - before;
    qInfo("%d steps kept of %d, %lld bytes counted, %lld resident", history.stepCount(), steps,
          history.storedBytes(), grown);
    QVERIFY(history.storedBytes() <= budget);
    // What is counted covers what is resident, within 10%.
    QVERIFY2(grown <= history.storedBytes() * 11 / 10, qPrintable(QString::number(grown)));
}

QTEST_MAIN(TestWorldMap)
#include "tst_worldmap.moc"

#include "canvas/worldmap.h"
#include "mapfile/mapconversion.h"
#include "mapfile/mapparser.h"
#include "mapfile/mapwriter.h"
#include "palette/tile.h"

#include <QRandomGenerator>
#include <QTest>

// The map file written straight from the map's cells against the plain way
// through the records of every cell: byte for byte the same file, whatever
// the sets loaded, missing or loaded twice, and the cells hold.
class TestMapConversion : public QObject
{
    Q_OBJECT

private slots:
    void fileWrittenFromCellsAsFromRecords_data();
    void fileWrittenFromCellsAsFromRecords();
    void brushBelowMinusOnePaintsNothing();
};

void TestMapConversion::fileWrittenFromCellsAsFromRecords_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("loaded");
    QTest::newRow("new set") << 0u << QSize(30, 30) << 0;
    QTest::newRow("wide map, every set loaded") << 1u << QSize(61, 7) << 5;
    QTest::newRow("tall map, some sets missing") << 2u << QSize(3, 90) << 3;
    QTest::newRow("one cell, no set loaded") << 3u << QSize(1, 1) << 0;
    QTest::newRow("square map, some sets missing") << 4u << QSize(40, 40) << 2;
}

void TestMapConversion::fileWrittenFromCellsAsFromRecords()
{
    QFETCH(quint32, seed);
    QFETCH(QSize, size);
    QFETCH(int, loaded);
    QRandomGenerator random(seed);
    WorldMap map(size.width(), size.height());
    const QStringList names = { QStringLiteral("a.png"), QStringLiteral("sets/b.png"), QStringLiteral("c\u00e9.png"),
                                QStringLiteral("d.png"), QStringLiteral("e.png") };
    for (const QString& name : names)
        map.slotOf(name);
    for (int k = 0; k < loaded; ++k)
        map.addTileSet(names[k], QPixmap(80, 40));
    // Loaded twice: the first position names it.
    if (loaded > 0)
        map.addTileSet(names[0], QPixmap(80, 40));
    if (seed > 0) {
        for (Layer layer : { Layer::Top, Layer::Bottom }) {
            for (int x = 0; x < map.width(); ++x) {
                for (int y = 0; y < map.height(); ++y) {
                    const bool pass = random.bounded(2) == 1;
                    Cell cell(0, -1, pass);
                    if (random.bounded(5) > 0) {
                        const qint32 tile = random.bounded(9) == 0 ? std::numeric_limits<qint32>::max()
                                                                  : qint32(random.bounded(1200));
                        cell = Cell(1 + random.bounded(quint32(names.size())), tile, pass);
                    }
                    CellPatch patch;
                    map.fill(layer, QRect(x, y, 1, 1), cell, &patch);
                }
            }
        }
    }

    const MapData records = mapDataOf(map);
    QCOMPARE(mapFileNames(map), records.tileSetNames);
    QVERIFY(mapDataProblem(records).isEmpty());
    const QByteArray file = formatMapFile(map, mapFileNames(map));
    QCOMPARE(file, formatMapFile(records));
    MapData readBack;
    QString error;
    QVERIFY2(parseMapFile(file, &readBack, &error), qPrintable(error));
    QVERIFY(readBack == records);
}

void TestMapConversion::brushBelowMinusOnePaintsNothing()
{
    // No map file could hold such a tile, so no cell takes it.
    WorldMap map(2, 2);
    map.addTileSet(QStringLiteral("a.png"), QPixmap(80, 40));
    Cell cell;
    QVERIFY(!map.cellFor(Tile(QStringLiteral("a.png"), nullptr, -2, false), &cell));
    QVERIFY(map.cellFor(Tile(QStringLiteral("a.png"), nullptr, 0, false), &cell));
}

QTEST_MAIN(TestMapConversion)
#include "tst_mapconversion.moc"

#include "model/floodfill.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <queue>

// The region of a bucket fill, against a plain breadth-first walk over the
// four edge neighbours.
class TestFloodFill : public QObject
{
    Q_OBJECT

private slots:
    void regionOfDrawnMaps_data();
    void regionOfDrawnMaps();
    void regionOfRandomMaps_data();
    void regionOfRandomMaps();
};

namespace {

// A map drawn as text, one string per row: '.' an empty cell, a letter a
// tile of set 1 (its index the letter's), a capital the same tile passable.
CellGrid drawnGrid(const QStringList& rows)
{
    CellGrid grid(int(rows.first().size()), int(rows.size()));
    for (int y = 0; y < grid.height(); ++y) {
        for (int x = 0; x < grid.width(); ++x) {
            const char c = rows[y].at(x).toLatin1();
            if (c != '.')
                grid.at(x, y) = Cell(1, QChar(c).toLower().toLatin1() - 'a', QChar(c).isUpper());
        }
    }
    return grid;
}

std::vector<QPoint> referenceRegion(const CellGrid& grid, const QPoint& start)
{
    std::vector<QPoint> region;
    if (!grid.contains(start))
        return region;
    const Cell target = grid.at(start.x(), start.y());
    std::vector<bool> seen(size_t(grid.width() * grid.height()));
    std::queue<QPoint> waiting;
    waiting.push(start);
    seen[grid.indexOf(start.x(), start.y())] = true;
    while (!waiting.empty()) {
        const QPoint cell = waiting.front();
        waiting.pop();
        region.push_back(cell);
        for (const QPoint step : { QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1) }) {
            const QPoint next = cell + step;
            if (!grid.contains(next) || seen[grid.indexOf(next.x(), next.y())])
                continue;
            const Cell& value = grid.at(next.x(), next.y());
            if (value.tileSet == target.tileSet && value.tileIndex == target.tileIndex) {
                seen[grid.indexOf(next.x(), next.y())] = true;
                waiting.push(next);
            }
        }
    }
    return region;
}

QList<QPoint> sorted(std::vector<QPoint> cells)
{
    std::sort(cells.begin(), cells.end(),
              [](const QPoint& a, const QPoint& b) { return std::make_pair(a.x(), a.y()) < std::make_pair(b.x(), b.y()); });
    return QList<QPoint>(cells.begin(), cells.end());
}

} // namespace

void TestFloodFill::regionOfDrawnMaps_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QPoint>("start");
    QTest::addColumn<int>("cells");

    QTest::newRow("bounded by other tiles") << QStringList { "bbbbb", "baaab", "baaab", "bbbbb" } << QPoint(2, 1) << 6;
    QTest::newRow("bounded by the map's edge") << QStringList { "aaab", "aabb", "abbb" } << QPoint(0, 0) << 6;
    QTest::newRow("empty cells are a tile of their own") << QStringList { "..a", ".a.", "a.." } << QPoint(0, 0) << 3;
    QTest::newRow("diagonal neighbours do not join") << QStringList { "ab", "ba" } << QPoint(0, 0) << 1;
    QTest::newRow("the pass flag does not count") << QStringList { "aA", "Ab" } << QPoint(0, 0) << 3;
    QTest::newRow("a winding region, entered from both sides")
        << QStringList { "aaaaaaa", "bbbbbba", "aaaaaba", "abbbbba", "aaaaaaa" } << QPoint(0, 2) << 23;
    QTest::newRow("outside the map") << QStringList { "aa" } << QPoint(2, 0) << 0;
    QTest::newRow("the whole map") << QStringList { "....", "....", "...." } << QPoint(3, 2) << 12;
}

void TestFloodFill::regionOfDrawnMaps()
{
    QFETCH(QStringList, rows);
    QFETCH(QPoint, start);
    QFETCH(int, cells);
    const CellGrid grid = drawnGrid(rows);

    const QList<QPoint> region = sorted(floodRegion(grid, start));

    QCOMPARE(region.size(), cells);
    QCOMPARE(region, sorted(referenceRegion(grid, start)));
}

void TestFloodFill::regionOfRandomMaps_data()
{
    QTest::addColumn<int>("tiles");
    QTest::newRow("two tiles, large regions") << 2;
    QTest::newRow("three tiles") << 3;
    QTest::newRow("five tiles, small regions") << 5;
}

void TestFloodFill::regionOfRandomMaps()
{
    QFETCH(int, tiles);
    QRandomGenerator random(quint32(tiles) * 7919u);
    CellGrid grid(37, 23);
    for (int x = 0; x < grid.width(); ++x) {
        for (int y = 0; y < grid.height(); ++y) {
            const int tile = random.bounded(tiles);
            grid.at(x, y) = tile == 0 ? Cell(0, -1, random.bounded(2)) : Cell(1, tile, random.bounded(2));
        }
    }
    for (int x = 0; x < grid.width(); x += 3) {
        for (int y = 0; y < grid.height(); y += 2)
            QCOMPARE(sorted(floodRegion(grid, QPoint(x, y))), sorted(referenceRegion(grid, QPoint(x, y))));
    }
}

QTEST_GUILESS_MAIN(TestFloodFill)
#include "tst_floodfill.moc"

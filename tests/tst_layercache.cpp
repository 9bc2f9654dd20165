#include "render/layercache.h"

#include "render/everycore.h"

#include <QPainter>
#include <QSemaphore>
#include <QTest>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <vector>

// The cache of the cells' picture on its own, on a made-up grid whose cells
// overlap and leave gaps like the canvas's and whose tiles have clear, opaque
// and half-transparent pixels: after reported changes, on a device of one
// or two pixels per widget pixel, and whatever its memory budget makes it
// drop and draw again, what it paints is what drawing directly over the
// ground colour paints, whatever lay below.
class TestLayerCache : public QObject
{
    Q_OBJECT

private slots:
    void paintsWhatDirectDrawingPaints_data();
    void paintsWhatDirectDrawingPaints();
    void servesAnAreaBeyondItsBudget();
    void spareMemoryGoesOnceTheViewSettles();
    void anotherLayoutStartsAfresh_data();
    void anotherLayoutStartsAfresh();
    void everyIndexOnceOnEveryCore_data();
    void everyIndexOnceOnEveryCore();
};

namespace {

const QColor background(10, 20, 30);

// Cells 13 pixels wide on lines 13 or 14 pixels apart, as at zoom 0.35. A
// cell with value 0 is filled one pixel wider and taller, like an empty
// canvas cell; others draw a tile with clear pixels.
class Grid
{
public:
    Grid(int columns, int rows)
        : columns(columns)
        , rows(rows)
        , values(size_t(columns) * size_t(rows))
    {
    }

    int& at(int column, int row) { return values[size_t(column) * size_t(rows) + size_t(row)]; }
    int line(int n) const { return n * 13 + n / 2; }
    QRect cellRect(int column, int row) const { return QRect(line(column), line(row), 13, 13); }
    QSize size() const { return QSize(line(columns) + 1, line(rows) + 1); }

    LayerCache::Layout layout(qreal scale = 1) const
    {
        LayerCache::Layout layout;
        for (int n = 0; n <= columns; ++n)
            layout.columnLines.push_back(line(n));
        for (int n = 0; n <= rows; ++n)
            layout.rowLines.push_back(line(n));
        layout.side = 13;
        layout.ground = ground.rgba();
        layout.scale = scale;
        return layout;
    }

    void pictures(const QRect& cells, CellPicture* picture)
    {
        for (int x = cells.left(); x <= cells.right(); ++x) {
            for (int y = cells.top(); y <= cells.bottom(); ++y, ++picture) {
                *picture = CellPicture();
                picture->bottomImage = at(x, y);
                picture->bottomTile = at(x, y);
            }
        }
    }

    void draw(QPainter& painter, const QRect& area)
    {
        for (int x = 0; x < columns; ++x) {
            for (int y = 0; y < rows; ++y) {
                const QRect target = cellRect(x, y).adjusted(0, 0, 1, 1);
                if (!target.intersects(area))
                    continue;
                if (at(x, y) == 0)
                    painter.fillRect(target, Qt::white);
                else
                    painter.drawImage(cellRect(x, y), tile(at(x, y)));
            }
        }
    }

    QImage direct(qreal scale = 1)
    {
        QImage image(size() * scale, QImage::Format_ARGB32_Premultiplied);
        image.fill(background);
        QPainter painter(&image);
        painter.scale(scale, scale);
        draw(painter, QRect(QPoint(0, 0), size()));
        return image;
    }

    // What lay below the area in `image` must not show.
    void cached(LayerCache& cache, QImage& image, const QRect& area, qreal scale = 1)
    {
        QPainter painter(&image);
        painter.scale(scale, scale);
        painter.setClipRect(area);
        cache.paint(
            painter, area, [this](const QRect& cells, CellPicture* out) { pictures(cells, out); },
            [this](QImage& chunk, const DevicePixels& device, const QRect& a) {
                QPainter chunkPainter(&chunk);
                chunkPainter.setClipRect(a);
                chunkPainter.setCompositionMode(QPainter::CompositionMode_Source);
                chunkPainter.fillRect(a, ground);
                chunkPainter.setCompositionMode(QPainter::CompositionMode_SourceOver);
                chunkPainter.setTransform(QTransform(device.scale, 0, 0, device.scale, device.dx, device.dy));
                draw(chunkPainter, device.widgetArea(a));
            },
            [this](QPainter& direct, const QRect& a) {
                direct.fillRect(a, background);
                draw(direct, a);
            });
    }

private:
    // Clear at the sides, half transparent in the middle: blended twice, the
    // middle would round differently from blending it once.
    static QImage tile(int value)
    {
        QImage image(13, 13, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.fillRect(QRect(value % 5, 0, 9, 13), QColor::fromHsv((value * 37) % 360, 200, 200));
        painter.fillRect(QRect(value % 3 + 2, 3, 7, 7), QColor::fromHsv((value * 53) % 360, 150, 250, 40 + value % 180));
        return image;
    }

    int columns;
    int rows;
    std::vector<int> values;

public:
    // What the cells are drawn over.
    QColor ground = background;
};

QString difference(const QImage& actual, const QImage& expected, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return QStringLiteral("%1,%2: #%3 vs #%4")
                    .arg(x)
                    .arg(y)
                    .arg(actual.pixel(x, y), 8, 16)
                    .arg(expected.pixel(x, y), 8, 16);
        }
    }
    return QString();
}

} // namespace

void TestLayerCache::paintsWhatDirectDrawingPaints_data()
{
    QTest::addColumn<qint64>("budget");
    QTest::addColumn<qreal>("scale");
    // Chunks of 13-pixel cells, 13.5 pixels apart, hold 39 x 39 cells,
    // about 527 x 527 pixels; the grid has 2 x 2 of them.
    QTest::newRow("whole grid within the budget") << LayerCache::DefaultBudgetBytes << 1.0;
    QTest::newRow("two chunks within the budget, others dropped") << qint64(2 * 530 * 530 * 4) << 1.0;
    QTest::newRow("two device pixels a pixel, one chunk within the budget") << qint64(530 * 530 * 4) << 2.0;
}

void TestLayerCache::paintsWhatDirectDrawingPaints()
{
    QFETCH(qint64, budget);
    QFETCH(qreal, scale);
    Grid grid(60, 50);
    for (int x = 0; x < 60; ++x) {
        for (int y = 0; y < 50; ++y)
            grid.at(x, y) = (x + y) % 3 ? x * 50 + y : 0;
    }
    LayerCache cache(budget);
    cache.setLayout(grid.layout(scale));
    QImage shown(grid.size() * scale, QImage::Format_ARGB32_Premultiplied);
    shown.fill(Qt::magenta);

    // Areas across chunk edges, each after an edit somewhere on the grid,
    // some of them where no chunk shows it yet.
    const QList<QRect> areas = { QRect(0, 0, 200, 150),   QRect(250, 260, 60, 40), QRect(500, 10, 120, 300),
                                 QRect(0, 0, 200, 150),   QRect(270, 270, 20, 20), QRect(700, 600, 121, 76),
                                 QRect(100, 100, 500, 1), QRect(0, 0, 200, 150) };
    for (int step = 0; step < areas.size(); ++step) {
        // Cells inside the first area, on chunk edges and anywhere.
        const QList<QPoint> edited = { QPoint(3 + step % 4, 4), QPoint(18, 10), QPoint(19, 18),
                                       QPoint((step * 7) % 60, (step * 11) % 50) };
        for (const QPoint& cell : edited) {
            grid.at(cell.x(), cell.y()) = (step + cell.x()) % 2 ? 0 : 1000 + step;
            cache.cellsChanged(QRect(cell, cell));
        }
        const QRect area = areas[step] & QRect(QPoint(0, 0), grid.size());
        grid.cached(cache, shown, area, scale);
        const QRect pixels(area.topLeft() * scale, area.size() * scale);
        // Within the budget, or half again the chunks that the area meets.
        const qint64 chunks = qint64(pixels.width() + 1060 * scale) * qint64(pixels.height() + 1060 * scale) * 4;
        QVERIFY(cache.bytesUsed() <= std::max(budget, chunks + chunks / 2));
        const QString found = difference(shown, grid.direct(scale), pixels);
        QVERIFY2(found.isEmpty(), qPrintable(QStringLiteral("step %1: %2").arg(step).arg(found)));
    }
}

void TestLayerCache::servesAnAreaBeyondItsBudget()
{
    // The whole grid is served, then the chunks furthest from a small area
    // in one chunk go, down to half again that chunk.
    Grid grid(60, 50);
    const qint64 budget = 530 * 530 * 4;
    LayerCache cache(budget);
    cache.setLayout(grid.layout());
    QImage shown(grid.size(), QImage::Format_ARGB32_Premultiplied);
    shown.fill(Qt::magenta);
    grid.cached(cache, shown, shown.rect());
    QVERIFY(cache.bytesUsed() > budget);
    QCOMPARE(shown, grid.direct());
    grid.cached(cache, shown, QRect(0, 0, 100, 100));
    QVERIFY(cache.bytesUsed() <= budget + budget / 2);
}

void TestLayerCache::spareMemoryGoesOnceTheViewSettles()
{
    // The chunks of a closer view, dropped at a zoom change, serve the
    // farther one; once a paint needs no new chunk, no more than a quarter
    // of what the chunks in use hold stays spare.
    Grid grid(60, 50);
    LayerCache cache;
    const QRect area(QPoint(0, 0), grid.size());
    QImage closer(grid.size() * 2, QImage::Format_ARGB32_Premultiplied);
    cache.setLayout(grid.layout(2));
    grid.cached(cache, closer, area, 2);
    QImage farther(grid.size() / 2, QImage::Format_ARGB32_Premultiplied);
    cache.setLayout(grid.layout(0.5));
    grid.cached(cache, farther, area, 0.5);
    QVERIFY(cache.bytesSpare() > cache.bytesUsed() / 4);
    grid.cached(cache, farther, area, 0.5);
    QVERIFY(cache.bytesSpare() <= cache.bytesUsed() / 4);
    QCOMPARE(farther, grid.direct(0.5));
}

void TestLayerCache::anotherLayoutStartsAfresh_data()
{
    QTest::addColumn<bool>("gridLines");
    QTest::addColumn<QColor>("ground");
    QTest::newRow("grid lines on") << true << background;
    QTest::newRow("another ground colour") << false << QColor(200, 180, 20);
}

void TestLayerCache::anotherLayoutStartsAfresh()
{
    QFETCH(bool, gridLines);
    QFETCH(QColor, ground);
    Grid grid(30, 30);
    LayerCache cache;
    cache.setLayout(grid.layout());
    QImage shown(grid.size(), QImage::Format_ARGB32_Premultiplied);
    grid.cached(cache, shown, shown.rect());
    QVERIFY(cache.bytesUsed() > 0);

    grid.ground = ground;
    LayerCache::Layout other = grid.layout();
    other.gridLines = gridLines;
    cache.setLayout(other);
    QCOMPARE(cache.bytesUsed(), qint64(0));
    grid.at(3, 3) = 77;
    cache.cellsChanged(QRect(3, 3, 1, 1));
    grid.cached(cache, shown, shown.rect());
    QImage expected(grid.size(), QImage::Format_ARGB32_Premultiplied);
    expected.fill(ground);
    QPainter painter(&expected);
    grid.draw(painter, expected.rect());
    painter.end();
    const QString found = difference(shown, expected, shown.rect());
    QVERIFY2(found.isEmpty(), qPrintable(found));
}

void TestLayerCache::everyIndexOnceOnEveryCore_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("poolBusy");
    for (int count : { 0, 1, 2, 3, 20, 101 })
        QTest::addRow("%d", count) << count << false;
    // Every thread of the pool taken by other work: the calling thread does
    // it all instead of waiting for a helper that cannot start.
    QTest::addRow("20, pool busy") << 20 << true;
}

void TestLayerCache::everyIndexOnceOnEveryCore()
{
    // The chunks of a paint are shared out this way: none may be left out
    // or done twice, however they divide among the cores.
    QFETCH(int, count);
    QFETCH(bool, poolBusy);
    QThreadPool& pool = *QThreadPool::globalInstance();
    QSemaphore started, release;
    const int blockers = poolBusy ? pool.maxThreadCount() : 0;
    for (int n = 0; n < blockers; ++n) {
        pool.start([&] {
            started.release();
            release.acquire();
        });
    }
    started.acquire(blockers);
    std::vector<std::atomic<int>> calls(size_t(count) + 1);
    forEachOnEveryCore(size_t(count), [&](size_t index) { ++calls[index]; });
    release.release(blockers);
    pool.waitForDone();
    for (int index = 0; index <= count; ++index)
        QCOMPARE(calls[size_t(index)].load(), index < count ? 1 : 0);
}

QTEST_MAIN(TestLayerCache)
#include "tst_layercache.moc"

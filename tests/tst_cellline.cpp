#include "model/cellline.h"

#include <QTest>

// The cells a pointer passes over between two positions, in cell units.
class TestCellLine : public QObject
{
    Q_OBJECT

private slots:
    void cellsOnSegment_data();
    void cellsOnSegment();
    void reversedSegmentPassesTheSameCells();
};

Q_DECLARE_METATYPE(std::vector<QPoint>)

void TestCellLine::cellsOnSegment_data()
{
    QTest::addColumn<QPointF>("from");
    QTest::addColumn<QPointF>("to");
    QTest::addColumn<std::vector<QPoint>>("cells");
    using P = std::vector<QPoint>;
    QTest::newRow("one position") << QPointF(2.5, 3.5) << QPointF(2.5, 3.5) << P { { 2, 3 } };
    QTest::newRow("within one cell") << QPointF(2.1, 3.1) << QPointF(2.9, 3.9) << P { { 2, 3 } };
    QTest::newRow("along a row, leftwards") << QPointF(4.5, 1.5) << QPointF(1.5, 1.5)
                                            << P { { 4, 1 }, { 3, 1 }, { 2, 1 }, { 1, 1 } };
    QTest::newRow("through a corner: diagonal") << QPointF(0.5, 0.5) << QPointF(2.5, 2.5)
                                                << P { { 0, 0 }, { 1, 1 }, { 2, 2 } };
    QTest::newRow("beside a corner: both neighbours")
        << QPointF(0.5, 0.6) << QPointF(1.5, 1.4) << P { { 0, 0 }, { 1, 0 }, { 1, 1 } };
    QTest::newRow("shallow") << QPointF(0.5, 0.5) << QPointF(4.5, 1.5)
                             << P { { 0, 0 }, { 1, 0 }, { 2, 0 }, { 2, 1 }, { 3, 1 }, { 4, 1 } };
    QTest::newRow("ending on a cell's edge") << QPointF(0.5, 0.5) << QPointF(2.0, 0.5)
                                             << P { { 0, 0 }, { 1, 0 }, { 2, 0 } };
    QTest::newRow("out to the left: clipped") << QPointF(2.5, 1.5) << QPointF(-3.0, 1.5)
                                              << P { { 2, 1 }, { 1, 1 }, { 0, 1 } };
    QTest::newRow("in from above: clipped") << QPointF(1.5, -4.0) << QPointF(1.5, 1.5)
                                            << P { { 1, 0 }, { 1, 1 } };
    // Clipped to (0, 2)-(2, 0): its ends lie on cell corners, which belong
    // to the cells right of and below them, as a pixel there would.
    QTest::newRow("across the corner outside") << QPointF(-1.0, 3.0) << QPointF(3.0, -1.0)
                                               << P { { 0, 2 }, { 0, 1 }, { 1, 0 }, { 2, 0 } };
    QTest::newRow("wholly outside") << QPointF(-2.0, 5.0) << QPointF(-0.1, 9.0) << P {};
    QTest::newRow("past the top-left corner") << QPointF(-1.0, 0.5) << QPointF(0.5, -1.0) << P {};
}

void TestCellLine::cellsOnSegment()
{
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(std::vector<QPoint>, cells);
    QCOMPARE(::cellsOnSegment(from, to), cells);
}

void TestCellLine::reversedSegmentPassesTheSameCells()
{
    const QPointF a(0.3, 7.9), b(13.7, 0.2);
    std::vector<QPoint> forward = ::cellsOnSegment(a, b);
    std::vector<QPoint> backward = ::cellsOnSegment(b, a);
    std::reverse(backward.begin(), backward.end());
    QCOMPARE(forward, backward);
    QCOMPARE(forward.front(), QPoint(0, 7));
    QCOMPARE(forward.back(), QPoint(13, 0));
    // Every step goes to a cell beside the last one.
    for (size_t i = 1; i < forward.size(); ++i)
        QCOMPARE((forward[i] - forward[i - 1]).manhattanLength(), 1);
}

QTEST_APPLESS_MAIN(TestCellLine)
#include "tst_cellline.moc"

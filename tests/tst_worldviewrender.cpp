#include "canvas/worldviewwidget.h"
#include "support/referencerenderer.h"

#include <QBitmap>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

// What the canvas draws, checked against a plain rendering in the canvas's
// order of drawing and against known pixels.
class TestWorldViewRender : public QObject
{
    Q_OBJECT

private slots:
    void matchesReference_data();
    void matchesReference();
    void partialRepaintMatchesReference_data();
    void partialRepaintMatchesReference();
    void emptyCellsAndGrid();
    void passMarksOnlyInPassMode();
    void startImageAtOrigin();
    void cursorMarksAtCurrentAndHoverCells();
    void selectionFrameOnOuterGridLines();

private:
    enum State { Plain, NoGrid, PassMode, Marks, Selected };
};

namespace {

const QColor background(10, 20, 30);

void move(WorldViewWidget& canvas, const QPoint& pixel)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(pixel), canvas.mapToGlobal(QPointF(pixel)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&canvas, &event);
}

void click(WorldViewWidget& canvas, Qt::MouseButton button, const QPoint& cell)
{
    QTest::mouseClick(&canvas, button, Qt::NoModifier, canvas.cellRect(cell).center());
}

} // namespace

void TestWorldViewRender::matchesReference_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<int>("state");
    const QList<QPair<const char*, float>> zooms = {{"1.0", 1.0f}, {"0.8", 0.8f}, {"0.6", 0.6f}, {"0.4", 0.4f},
                                                   {"0.2", 0.2f}, {"0.1", 0.1f},  {"0.35", 0.35f}, {"0.93", 0.93f}};
    const QList<QPair<const char*, State>> states = {
        {"plain", Plain}, {"no grid", NoGrid}, {"pass mode", PassMode}, {"marks moved", Marks},
        {"selection", Selected}};
    for (const auto& zoom : zooms) {
        for (const auto& state : states)
            QTest::newRow(qPrintable(QStringLiteral("zoom %1, %2").arg(zoom.first, state.first)))
                << zoom.second << int(state.second);
    }
}

void TestWorldViewRender::matchesReference()
{
    QFETCH(float, zoom);
    QFETCH(int, state);
    WorldViewWidget canvas;
    canvas.setZoom(zoom);
    switch (state) {
    case NoGrid:
        canvas.showGridLines(false);
        break;
    case PassMode:
        canvas.setTool(WorldViewWidget::Pass);
        click(canvas, Qt::LeftButton, QPoint(2, 3));
        click(canvas, Qt::LeftButton, QPoint(29, 29));
        break;
    case Marks:
        click(canvas, Qt::RightButton, QPoint(4, 6));
        canvas.setStartPoint();
        click(canvas, Qt::RightButton, QPoint(10, 2));
        move(canvas, canvas.cellRect(7, 7).center());
        break;
    case Selected:
        click(canvas, Qt::MiddleButton, QPoint(3, 3));
        break;
    default:
        break;
    }
    const QString difference =
        firstDifference(canvasRendering(canvas, background), referenceRendering(canvas, background));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestWorldViewRender::partialRepaintMatchesReference_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<QRect>("area");
    QTest::newRow("zoom 1.0, inside one cell") << 1.0f << QRect(45, 45, 10, 10);
    QTest::newRow("zoom 1.0, across grid lines") << 1.0f << QRect(35, 75, 90, 50);
    QTest::newRow("zoom 1.0, right and bottom edge") << 1.0f << QRect(1150, 1150, 51, 51);
    QTest::newRow("zoom 0.8, one pixel on a line") << 0.8f << QRect(64, 10, 1, 1);
    QTest::newRow("zoom 0.6, odd strip") << 0.6f << QRect(0, 71, 721, 3);
    QTest::newRow("zoom 0.35, middle") << 0.35f << QRect(100, 100, 77, 33);
}

void TestWorldViewRender::partialRepaintMatchesReference()
{
    QFETCH(float, zoom);
    QFETCH(QRect, area);
    WorldViewWidget canvas;
    canvas.setZoom(zoom);
    canvas.setTool(WorldViewWidget::Pass);
    click(canvas, Qt::LeftButton, QPoint(2, 2));
    click(canvas, Qt::MiddleButton, QPoint(1, 1));

    QImage partial(canvas.sizeHint(), QImage::Format_ARGB32_Premultiplied);
    partial.fill(background);
    canvas.render(&partial, area.topLeft(), QRegion(area), QWidget::RenderFlags());
    const QString difference = firstDifference(partial, referenceRendering(canvas, background), area);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestWorldViewRender::emptyCellsAndGrid()
{
    WorldViewWidget canvas;
    const QColor empty(255, 255, 254);
    const QColor grid = canvas.palette().color(QPalette::WindowText);
    // Keep the cursor marks away from the pixels looked at.
    click(canvas, Qt::RightButton, QPoint(20, 20));
    move(canvas, canvas.cellRect(20, 20).center());

    QImage shown = canvasRendering(canvas, background);
    QCOMPARE(shown.pixelColor(60, 50), empty);
    QCOMPARE(shown.pixelColor(80, 50), grid);
    QCOMPARE(shown.pixelColor(60, 80), grid);
    QCOMPARE(shown.pixelColor(1200, 50), grid);

    canvas.showGridLines(false);
    shown = canvasRendering(canvas, background);
    QCOMPARE(shown.pixelColor(80, 50), empty);
    // The last column's cells are filled one pixel wider than the cell.
    QCOMPARE(shown.pixelColor(1200, 50), empty);
    QCOMPARE(shown.pixelColor(50, 1200), empty);
}

void TestWorldViewRender::passMarksOnlyInPassMode()
{
    WorldViewWidget canvas;
    click(canvas, Qt::RightButton, QPoint(20, 20));
    move(canvas, canvas.cellRect(20, 20).center());
    const QRect cell = canvas.cellRect(3, 3);
    const QImage paintMode = canvasRendering(canvas, background).copy(cell);

    canvas.setTool(WorldViewWidget::Pass);
    const QImage passNo = canvasRendering(canvas, background).copy(cell);
    QVERIFY(passNo != paintMode);
    click(canvas, Qt::LeftButton, QPoint(3, 3));
    QVERIFY(canvas.topLayerCells()[3][3].pass);
    click(canvas, Qt::RightButton, QPoint(20, 20));
    const QImage passYes = canvasRendering(canvas, background).copy(cell);
    QVERIFY(passYes != passNo);
    QVERIFY(passYes != paintMode);

    canvas.setTool(WorldViewWidget::Select);
    QCOMPARE(canvasRendering(canvas, background).copy(cell), paintMode);
}

void TestWorldViewRender::startImageAtOrigin()
{
    WorldViewWidget canvas;
    click(canvas, Qt::RightButton, QPoint(20, 20));
    move(canvas, canvas.cellRect(20, 20).center());
    canvas.showGridLines(false);

    QImage expected(40, 40, QImage::Format_ARGB32_Premultiplied);
    expected.fill(QColor(255, 255, 254));
    {
        QPainter painter(&expected);
        painter.drawPixmap(QRect(0, 0, 40, 40), QPixmap(QStringLiteral(":/images/start.png")));
    }
    QCOMPARE(canvasRendering(canvas, background).copy(0, 0, 40, 40), expected);
}

void TestWorldViewRender::cursorMarksAtCurrentAndHoverCells()
{
    WorldViewWidget canvas;
    canvas.showGridLines(false);
    click(canvas, Qt::RightButton, QPoint(20, 20));
    move(canvas, canvas.cellRect(20, 20).center());
    const QImage oneMark = canvasRendering(canvas, background);

    move(canvas, canvas.cellRect(10, 5).center());
    QCOMPARE(canvas.hoverCellPosition(), QPoint(10, 5));
    const QImage twoMarks = canvasRendering(canvas, background);
    // The hover mark is 80 x 80, centred on its 40 x 40 cell.
    const QRect mark(380, 180, 80, 80);
    QVERIFY(twoMarks.copy(mark) != oneMark.copy(mark));
    QCOMPARE(twoMarks.copy(0, 300, 1201, 500), oneMark.copy(0, 300, 1201, 500));

    QImage cursor(QStringLiteral(":/images/Cursor1.bmp"));
    QCOMPARE(cursor.size(), QSize(80, 80));
    // Where the cursor image is opaque the mark shows it unscaled at zoom 1.
    const QBitmap mask = QPixmap::fromImage(cursor).createHeuristicMask(true);
    const QImage maskImage = mask.toImage();
    int opaque = 0;
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 80; ++x) {
            if (maskImage.pixelIndex(x, y) == 1) {
                ++opaque;
                QCOMPARE(twoMarks.pixel(380 + x, 180 + y), cursor.pixel(x, y));
            } else if (x >= 20 && x < 60 && y >= 20 && y < 60) {
                QCOMPARE(twoMarks.pixelColor(380 + x, 180 + y), QColor(255, 255, 254));
            }
        }
    }
    QVERIFY(opaque > 0);
}

void TestWorldViewRender::selectionFrameOnOuterGridLines()
{
    WorldViewWidget canvas;
    click(canvas, Qt::RightButton, QPoint(20, 20));
    move(canvas, canvas.cellRect(20, 20).center());
    const QImage before = canvasRendering(canvas, background);
    click(canvas, Qt::MiddleButton, QPoint(0, 0));
    const QImage after = canvasRendering(canvas, background);
    // The dashed frame of a one-cell selection at (0, 0) runs from (0, 0) to (40, 40).
    QVERIFY(after.copy(0, 0, 42, 42) != before.copy(0, 0, 42, 42));
    QCOMPARE(after.copy(44, 44, 300, 300), before.copy(44, 44, 300, 300));
    QCOMPARE(after.copy(0, 44, 42, 300), before.copy(0, 44, 42, 300));
    QCOMPARE(after.pixelColor(20, 20), before.pixelColor(20, 20));
}

QTEST_MAIN(TestWorldViewRender)
#include "tst_worldviewrender.moc"

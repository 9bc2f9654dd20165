#include "app/mainwindow.h"
#include "canvas/worldviewwidget.h"
#include "mapfile/mapconversion.h"
#include "mapfile/mapdata.h"
#include "mapfile/mapwriter.h"
#include "palette/tilesetwidget.h"
#include "support/canvasdriver.h"
#include "support/windowstate.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

// The layout gestures on an 8 x 6 map, each checked against the bytes a
// save would write after it, after its undo and after its redo. A map is
// drawn as six rows of eight cells per layer: "." an empty cell, "+" an
// empty cell with the pass flag, "a" to "o" tiles 0 to 14 of the one tile
// set (5 x 3 tiles), upper case with the pass flag.

struct Step
{
    enum Kind { Press, Move, Release, Key } kind;
    QPoint cell;
    int key = 0;
    Qt::KeyboardModifiers modifiers;
};
Q_DECLARE_METATYPE(Step)

namespace {

Step press(QPoint cell, Qt::KeyboardModifiers modifiers = {})
{
    return { Step::Press, cell, 0, modifiers };
}
Step moveTo(QPoint cell)
{
    return { Step::Move, cell, 0, {} };
}
Step release(QPoint cell)
{
    return { Step::Release, cell, 0, {} };
}
Step key(int key, Qt::KeyboardModifiers modifiers = {})
{
    return { Step::Key, QPoint(), key, modifiers };
}
QList<Step> drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {})
{
    return { press(from, modifiers), moveTo(to), release(to) };
}

const QStringList startTop { "ab.+....", "cD......", "........", "........", "........", "........" };
const QStringList startBottom { "mkkkkkkk", "knkkkkkk", "kkkkkkkk", "kkkkkkkk", "kkkkkkkk", "kkkkkkkk" };
const QRect wholeMap(0, 0, 8, 6);

MapData dataOf(const QString& tileSet, const QStringList& top, const QStringList& bottom)
{
    MapData data;
    data.tileSetNames = QStringList { tileSet };
    data.width = 8;
    data.height = 6;
    for (const QStringList* picture : { &top, &bottom }) {
        std::vector<CellRecord>& records = picture == &top ? data.top : data.bottom;
        for (const QString& row : *picture) {
            for (const QChar c : row) {
                const int tile = c.toLower().unicode() - 'a';
                const bool empty = c == QLatin1Char('.') || c == QLatin1Char('+');
                records.push_back(
                    { empty ? -1 : 0, empty ? -1 : tile, c == QLatin1Char('+') || c.isUpper() });
            }
        }
    }
    return data;
}

} // namespace

class TestLayoutTools : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void gestures_data();
    void gestures();

private:
    QByteArray saved() const { return formatMapFile(mapDataOf(canvas->map())); }
    void perform(const Step& step);

    QTemporaryDir dir;
    QString tileSet;
    MainWindow* window = nullptr;
    WorldViewWidget* canvas = nullptr;
    TileSetWidget* palette = nullptr;
};

void TestLayoutTools::init()
{
    window = new MainWindow;
    canvas = window->findChild<WorldViewWidget*>();
    palette = window->findChild<TileSetWidget*>();
    tileSet = dir.filePath(QStringLiteral("tiles.png"));
    QVERIFY(testTileSetImage().save(tileSet));
    const QString start = dir.filePath(QStringLiteral("start.map"));
    QFile file(start);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(formatMapFile(dataOf(tileSet, startTop, startBottom)));
    file.close();
    QVERIFY(canvas->readMapFile(start));
}

void TestLayoutTools::cleanup()
{
    delete window;
    window = nullptr;
}

void TestLayoutTools::perform(const Step& step)
{
    const QPoint pixel = cellCentre(*canvas, step.cell);
    switch (step.kind) {
    case Step::Press:
        QTest::mousePress(canvas, Qt::LeftButton, step.modifiers, pixel);
        break;
    case Step::Move:
        sendMove(canvas, pixel, Qt::LeftButton);
        break;
    case Step::Release:
        QTest::mouseRelease(canvas, Qt::LeftButton, {}, pixel);
        break;
    case Step::Key:
        QTest::keyClick(canvas, Qt::Key(step.key), step.modifiers);
        break;
    }
}

void TestLayoutTools::gestures_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<QRect>("brush"); // tiles dragged over in the palette
    QTest::addColumn<int>("seed"); // the random brush's, or -1 for none
    QTest::addColumn<QRect>("selection"); // made with the middle button; the whole map with Select All
    QTest::addColumn<QList<Step>>("gesture");
    QTest::addColumn<QStringList>("top"); // empty: as at the start
    QTest::addColumn<QStringList>("bottom");
    QTest::addColumn<QString>("step"); // the undo step's name; empty for none
    QTest::addColumn<int>("dropped");
    QTest::addColumn<QString>("status"); // how the status line ends, if checked

    const int select = WorldViewWidget::Select, paint = WorldViewWidget::Paint,
              square = WorldViewWidget::Square;
    const QRect corner(0, 0, 2, 2);
    const QStringList moved { "...+....", "........", "........", "..ab....", "..cD....", "........" };
    QTest::newRow("move") << select << QRect() << -1 << corner << drag({ 0, 0 }, { 2, 3 }) << moved
                          << QStringList() << "Move" << 0 << "";
    QTest::newRow("duplicate with Alt")
        << select << QRect() << -1 << corner << drag({ 0, 0 }, { 2, 3 }, Qt::AltModifier)
        << QStringList { "ab.+....", "cD......", "........", "..ab....", "..cD....", "........" }
        << QStringList() << "Duplicate" << 0 << "";
    QTest::newRow("both layers with Shift")
        << select << QRect() << -1 << corner << drag({ 0, 0 }, { 2, 3 }, Qt::ShiftModifier) << moved
        << QStringList { "..kkkkkk", "..kkkkkk", "kkkkkkkk", "kkmkkkkk", "kkknkkkk", "kkkkkkkk" } << "Move"
        << 0 << "";
    QTest::newRow("nudge with an arrow key")
        << select << QRect() << -1 << corner << QList<Step> { key(Qt::Key_Right) }
        << QStringList { ".ab+....", ".cD.....", "........", "........", "........", "........" }
        << QStringList() << "Move" << 0 << "";
    QTest::newRow("arrow key while floating")
        << select << QRect() << -1 << corner
        << QList<Step> { press({ 0, 0 }), moveTo({ 2, 0 }), key(Qt::Key_Down), release({ 2, 0 }) }
        << QStringList { "...+....", "..ab....", "..cD....", "........", "........", "........" }
        << QStringList() << "Move" << 0 << "";
    QTest::newRow("past the edge") << select << QRect() << -1 << corner << drag({ 1, 1 }, { 0, 0 })
                                   << QStringList { "D..+....", "........", "........",
                                                    "........", "........", "........" }
                                   << QStringList() << "Move" << 3 << "";
    QTest::newRow("Select All, both layers one cell right")
        << select << QRect() << -1 << wholeMap << QList<Step> { key(Qt::Key_Right, Qt::ShiftModifier) }
        << QStringList { ".ab.+...", ".cD.....", "........", "........", "........", "........" }
        << QStringList { ".mkkkkkk", ".knkkkkk", ".kkkkkkk", ".kkkkkkk", ".kkkkkkk", ".kkkkkkk" } << "Move"
        << 6 << "";
    QTest::newRow("Escape puts everything back")
        << select << QRect() << -1 << corner
        << QList<Step> { press({ 0, 0 }), moveTo({ 3, 3 }), key(Qt::Key_Escape), release({ 3, 3 }) }
        << QStringList() << QStringList() << "" << 0 << "";
    QTest::newRow("stamp stroke") << paint << corner << -1 << QRect() << drag({ 2, 2 }, { 5, 2 })
                                  << QStringList { "ab.+....", "cD......", "..abab..",
                                                   "..fgfg..", "........", "........" }
                                  << QStringList() << "Paint" << 0 << "brush: 2 x 2 tiles of %1";
    QTest::newRow("stamp stroke to the left")
        << paint << corner << -1 << QRect() << drag({ 5, 4 }, { 2, 4 })
        << QStringList { "ab.+....", "cD......", "........", "........", ".ababab.", ".fgfgfg." }
        << QStringList() << "Paint" << 0 << "";
    QTest::newRow("stamp square") << square << corner << -1 << QRect() << drag({ 1, 2 }, { 3, 4 })
                                  << QStringList { "ab.+....", "cD......", ".aba....",
                                                   ".fgf....", ".aba....", "........" }
                                  << QStringList() << "Square Fill" << 0 << "";
    QTest::newRow("stamp fill") << paint << corner << -1 << QRect()
                                << QList<Step> { press({ 5, 5 }, Qt::ShiftModifier), release({ 5, 5 }) }
                                << QStringList { "abababab", "cDfgfgfg", "abababab",
                                                 "fgfgfgfg", "abababab", "fgfgfgfg" }
                                << QStringList() << "Flood Fill" << 0 << "";
    QTest::newRow("stamp from the map, its empty cells painting nothing")
        << paint << QRect() << -1 << QRect()
        << QList<Step> { press({ 1, 1 }, Qt::ControlModifier), moveTo({ 2, 2 }), release({ 2, 2 }),
                         press({ 0, 0 }), release({ 0, 0 }) }
        << QStringList { "db.+....", "cD......", "........", "........", "........", "........" }
        << QStringList() << "Paint" << 0 << "brush: 2 x 2 tiles of %1";
    QTest::newRow("random with a fixed seed")
        << square << QRect(0, 0, 3, 1) << 7 << QRect() << drag({ 0, 3 }, { 7, 4 })
        << QStringList { "ab.+....", "cD......", "........", "cbbbccaa", "acbaccab", "........" }
        << QStringList() << "Square Fill" << 0 << "brush: 3 x 1 tiles of %1, random";
}

void TestLayoutTools::gestures()
{
    QFETCH(int, tool);
    QFETCH(QRect, brush);
    QFETCH(int, seed);
    QFETCH(QRect, selection);
    QFETCH(QList<Step>, gesture);
    QFETCH(QStringList, top);
    QFETCH(QStringList, bottom);
    QFETCH(QString, step);
    QFETCH(int, dropped);
    QFETCH(QString, status);
    canvas->setTool(tool);
    if (!brush.isNull()) {
        dragPixels(palette, Qt::LeftButton,
                   { palette->cellRect(brush.left(), brush.top()).center(),
                     palette->cellRect(brush.right(), brush.bottom()).center() });
        QCOMPARE(palette->framedTileCells().size(), size_t(brush.width() * brush.height()));
    }
    if (seed >= 0) {
        actionByText(*window, QStringLiteral("&Random Brush"))->trigger();
        canvas->document()->setBrushSeed(quint32(seed));
    }
    if (selection == wholeMap)
        actionByText(*window, QStringLiteral("Select &All"))->trigger();
    else if (!selection.isNull())
        dragCells(*canvas, Qt::MiddleButton, { selection.topLeft(), selection.bottomRight() });
    const QByteArray before = saved();
    const int steps = canvas->history().stepCount();
    QSignalSpy drops(canvas, &WorldViewWidget::cellsDropped);

    for (const Step& part : gesture)
        perform(part);

    const QByteArray after = formatMapFile(
        dataOf(tileSet, top.isEmpty() ? startTop : top, bottom.isEmpty() ? startBottom : bottom));
    QCOMPARE(saved(), after);
    QCOMPARE(drops.isEmpty() ? 0 : drops.first().first().toInt(), dropped);
    const auto* statusLabel = window->findChild<QLabel*>(QStringLiteral("mapStatusLabel"));
    if (!status.isEmpty())
        QTRY_VERIFY2(statusLabel->text().endsWith(status.arg(tileSet)), qPrintable(statusLabel->text()));
    if (step.isEmpty()) {
        QCOMPARE(canvas->history().stepCount(), steps);
        return;
    }
    QCOMPARE(canvas->history().stepCount(), steps + 1);
    QCOMPARE(canvas->history().undoText(), step);
    canvas->history().undo();
    QCOMPARE(saved(), before);
    canvas->history().redo();
    QCOMPARE(saved(), after);
}

QTEST_MAIN(TestLayoutTools)
#include "tst_layouttools.moc"

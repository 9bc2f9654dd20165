#include "app/mainwindow.h"
#include "canvas/worldviewwidget.h"
#include "mapfile/mapdata.h"
#include "mapfile/mapparser.h"
#include "palette/palettepane.h"
#include "palette/tilesetwidget.h"
#include "support/windowstate.h"
#include "support/canvasdriver.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

// The editor's gestures in a real window: the tile-set chooser and the frame
// of the palette, taking a tile from the map, the fill, the pass rectangle,
// Delete and Escape, zooming with the wheel and the status line.
class TestEditorGestures : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void chooserListsEverySet();
    void paintingDrawsFromTheChosenSet_data();
    void paintingDrawsFromTheChosenSet();
    void frameAfterSwitch_data();
    void frameAfterSwitch();
    void pickFromTheMap_data();
    void pickFromTheMap();
    void floodFill_data();
    void floodFill();
    void passRectangle_data();
    void passRectangle();
    void deleteAndEscape_data();
    void deleteAndEscape();
    void ctrlWheelZooms_data();
    void ctrlWheelZooms();
    void undoShowsTheSetShownBefore_data();
    void undoShowsTheSetShownBefore();
    void statusLine_data();
    void statusLine();
    void statusLineKeepsLongNamesShort();

private:
    QString writeImage(const QString& name, int width, int height);
    // Loads a (8 x 4 tiles), b (2 x 3 tiles) and, with `copy`, a again.
    void loadSets(bool copy);
    void chooseSet(int slot);
    void pickPaletteTile(const QPoint& tile);
    // Paints tile `tile` of the set in `slot` into a cell of the current layer.
    void paintCell(int slot, const QPoint& tile, const QPoint& cell);
    void squareFill(const QRect& cells);
    QString statusText() const;
    QAction* zoomAction(const QString& text) const;

    QTemporaryDir dir;
    QString a;
    QString b;
    MainWindow* window = nullptr;
    TileSetWidget* palette = nullptr;
    PalettePane* pane = nullptr;
    WorldViewWidget* canvas = nullptr;
};

void TestEditorGestures::init()
{
    window = new MainWindow;
    QVERIFY2(showExposed(window), "the window was not exposed");
    palette = window->findChild<TileSetWidget*>();
    canvas = window->findChild<WorldViewWidget*>();
    pane = qobject_cast<PalettePane*>(palette->parentWidget()->parentWidget());
    QVERIFY(pane);
    a = writeImage(QStringLiteral("a.png"), 330, 170);
    b = writeImage(QStringLiteral("b.png"), 80, 120);
}

void TestEditorGestures::cleanup()
{
    delete window;
    window = nullptr;
}

QString TestEditorGestures::writeImage(const QString& name, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(name == QLatin1String("a.png") ? Qt::darkGreen : Qt::darkBlue);
    const QString path = dir.filePath(name);
    return image.save(path) ? path : QString();
}

void TestEditorGestures::loadSets(bool copy)
{
    QVERIFY(palette->loadTileSet(a));
    QVERIFY(palette->loadTileSet(b));
    if (copy)
        QVERIFY(palette->loadTileSet(a));
}

void TestEditorGestures::chooseSet(int slot)
{
    // What choosing an entry of the list emits.
    emit pane->chooser()->activated(slot);
    QCOMPARE(palette->shownTileSet(), slot);
}

void TestEditorGestures::pickPaletteTile(const QPoint& tile)
{
    QTest::mouseClick(palette, Qt::LeftButton, {}, palette->cellRect(tile.x(), tile.y()).center());
}

void TestEditorGestures::paintCell(int slot, const QPoint& tile, const QPoint& cell)
{
    chooseSet(slot);
    pickPaletteTile(tile);
    canvas->setTool(WorldViewWidget::Paint);
    clickCell(*canvas, Qt::LeftButton, cell);
}

void TestEditorGestures::squareFill(const QRect& cells)
{
    canvas->setTool(WorldViewWidget::Square);
    dragCells(*canvas, Qt::LeftButton, { cells.topLeft(), cells.bottomRight() });
    canvas->setTool(WorldViewWidget::Paint);
}

QString TestEditorGestures::statusText() const
{
    return window->findChild<QLabel*>(QStringLiteral("mapStatusLabel"))->text();
}

QAction* TestEditorGestures::zoomAction(const QString& text) const
{
    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

void TestEditorGestures::chooserListsEverySet()
{
    QCOMPARE(pane->widget(), palette);
    QCOMPARE(pane->maximumWidth(), 387);
    QVERIFY(!pane->chooser()->isEnabled());
    loadSets(true);

    const QComboBox* chooser = pane->chooser();
    QCOMPARE(chooser->count(), 3);
    QCOMPARE(chooser->itemText(0), a);
    QCOMPARE(chooser->itemText(1), b);
    QCOMPARE(chooser->itemText(2), a + QStringLiteral(" (2)"));
    QCOMPARE(chooser->currentIndex(), 2);
    QVERIFY(chooser->isEnabled());
    // Above the palette, not over it.
    QVERIFY(chooser->geometry().bottom() < pane->viewport()->geometry().top());

    canvas->clearSet();
    QCOMPARE(chooser->count(), 0);
    QCOMPARE(palette->shownTileSet(), -1);
}

void TestEditorGestures::paintingDrawsFromTheChosenSet_data()
{
    QTest::addColumn<QList<int>>("choices");
    QTest::addColumn<QString>("set");

    QTest::newRow("the first of the sets") << QList<int> { 0 } << QStringLiteral("a.png");
    QTest::newRow("the second, after the first") << QList<int> { 0, 1 } << QStringLiteral("b.png");
    QTest::newRow("the copy of a set loaded twice") << QList<int> { 1, 2 } << QStringLiteral("a.png");
}

void TestEditorGestures::paintingDrawsFromTheChosenSet()
{
    QFETCH(QList<int>, choices);
    QFETCH(QString, set);
    loadSets(true);
    for (int slot : choices)
        chooseSet(slot);
    QCOMPARE(palette->tileAt(1, 1)->tileSet, palette->tileSetImage(choices.last()));

    pickPaletteTile(QPoint(1, 1));
    clickCell(*canvas, Qt::LeftButton, QPoint(4, 3));

    const QString file = dir.filePath(set);
    const int columns = set == QLatin1String("a.png") ? 8 : 2;
    QCOMPARE(canvas->topLayerCells()[4][3].tileSetFile, file);
    QCOMPARE(canvas->topLayerCells()[4][3].tileIndex, 1 + columns);
    // The status line follows within a fraction of a second.
    QTRY_VERIFY(statusText().endsWith(QStringLiteral("brush: tile %1 of %2").arg(1 + columns).arg(file)));

    const QString saved = dir.filePath(QStringLiteral("saved.map"));
    QVERIFY(canvas->writeMapFile(saved));
    QFile mapFile(saved);
    QVERIFY(mapFile.open(QIODevice::ReadOnly));
    MapData data;
    QString error;
    QVERIFY2(parseMapFile(mapFile.readAll(), &data, &error), qPrintable(error));
    const CellRecord& record = data.top[size_t(3 * data.width + 4)];
    QCOMPARE(data.tileSetNames.value(record.setIndex), file);
    QCOMPARE(record.tileIndex, 1 + columns);
}

void TestEditorGestures::frameAfterSwitch_data()
{
    QTest::addColumn<int>("brushSet");
    QTest::addColumn<QPoint>("brushTile");
    QTest::addColumn<QList<int>>("choices");
    QTest::addColumn<bool>("framed");
    QTest::addColumn<QPoint>("frame");

    QTest::newRow("a set without the brush's tile") << 0 << QPoint(2, 1) << QList<int> { 1 } << false << QPoint();
    QTest::newRow("a set of another name") << 1 << QPoint(1, 2) << QList<int> { 0 } << false << QPoint();
    QTest::newRow("the brush's set again") << 0 << QPoint(2, 1) << QList<int> { 1, 0 } << true << QPoint(2, 1);
    QTest::newRow("another copy of the brush's set") << 0 << QPoint(5, 3) << QList<int> { 2 } << true << QPoint(5, 3);
}

void TestEditorGestures::frameAfterSwitch()
{
    QFETCH(int, brushSet);
    QFETCH(QPoint, brushTile);
    QFETCH(QList<int>, choices);
    QFETCH(bool, framed);
    QFETCH(QPoint, frame);
    loadSets(true);
    QVERIFY(palette->tileFramed());
    QCOMPARE(palette->selectedTile(), QPoint(0, 0));
    chooseSet(brushSet);
    pickPaletteTile(brushTile);

    for (int slot : choices)
        chooseSet(slot);

    QCOMPARE(palette->tileFramed(), framed);
    if (framed)
        QCOMPARE(palette->selectedTile(), frame);
    // A load frames the first tile again, whatever the brush.
    QVERIFY(palette->loadTileSet(b));
    QVERIFY(palette->tileFramed());
    QCOMPARE(palette->selectedTile(), QPoint(0, 0));
}

void TestEditorGestures::pickFromTheMap_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<bool>("topLayer");
    QTest::addColumn<QPoint>("cell");
    QTest::addColumn<QString>("set");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("shown");
    QTest::addColumn<QPoint>("frame");

    QTest::newRow("top layer, Paint Tiles") << int(WorldViewWidget::Paint) << true << QPoint(3, 3) << "a.png" << 10 << 0 << QPoint(2, 1);
    QTest::newRow("top layer, Set Pass") << int(WorldViewWidget::Pass) << true << QPoint(3, 3) << "a.png" << 10 << 0 << QPoint(2, 1);
    QTest::newRow("bottom layer, Select Tiles") << int(WorldViewWidget::Select) << false << QPoint(3, 3) << "b.png" << 5 << 1 << QPoint(1, 2);
    QTest::newRow("bottom layer, Erase Tiles") << int(WorldViewWidget::Erase) << false << QPoint(3, 3) << "b.png" << 5 << 1 << QPoint(1, 2);
    QTest::newRow("an empty cell, Paint Squares") << int(WorldViewWidget::Square) << true << QPoint(6, 6) << "" << -1 << 1 << QPoint();
}

void TestEditorGestures::pickFromTheMap()
{
    QFETCH(int, tool);
    QFETCH(bool, topLayer);
    QFETCH(QPoint, cell);
    QFETCH(QString, set);
    QFETCH(int, index);
    QFETCH(int, shown);
    QFETCH(QPoint, frame);
    loadSets(false);
    paintCell(0, QPoint(2, 1), QPoint(3, 3));
    canvas->setLayer(false);
    paintCell(1, QPoint(1, 2), QPoint(3, 3));
    pickPaletteTile(QPoint(0, 0));
    canvas->setLayer(topLayer);
    canvas->setTool(tool);
    clickCell(*canvas, Qt::RightButton, QPoint(9, 9));
    const LayerCopy top(canvas->topLayerCells());
    const LayerCopy bottom(canvas->bottomLayerCells());
    const int steps = canvas->history().stepCount();

    QTest::mouseClick(canvas, Qt::LeftButton, Qt::ControlModifier, cellCentre(*canvas, cell));

    const QString file = set.isEmpty() ? set : dir.filePath(set);
    QCOMPARE(canvas->brushTile().tileSetFile, file);
    QCOMPARE(canvas->brushTile().tileIndex, index);
    QCOMPARE(canvas->brushTile().pass, false);
    QCOMPARE(palette->shownTileSet(), shown);
    QCOMPARE(pane->chooser()->currentIndex(), shown);
    QCOMPARE(palette->tileFramed(), index >= 0);
    if (index >= 0)
        QCOMPARE(palette->selectedTile(), frame);
    // The status line follows within a fraction of a second.
    QTRY_VERIFY(statusText().endsWith(index < 0 ? QStringLiteral("no brush")
                                            : QStringLiteral("brush: tile %1 of %2").arg(index).arg(file)));
    // Nothing else changes.
    QCOMPARE(top.changedIn(canvas->topLayerCells()), QList<QPoint>());
    QCOMPARE(bottom.changedIn(canvas->bottomLayerCells()), QList<QPoint>());
    QCOMPARE(canvas->history().stepCount(), steps);
    QCOMPARE(canvas->currentCellPosition(), QPoint(9, 9));
}

void TestEditorGestures::floodFill_data()
{
    QTest::addColumn<bool>("topLayer");
    QTest::addColumn<QList<QRect>>("squares"); // filled with tiles 1, 2, ... in turn
    QTest::addColumn<QPoint>("clicked");
    QTest::addColumn<QList<QRect>>("region");

    QTest::newRow("bounded by other tiles") << true << QList<QRect> { QRect(0, 0, 10, 10), QRect(3, 3, 4, 4) }
                                            << QPoint(4, 5) << QList<QRect> { QRect(3, 3, 4, 4) };
    QTest::newRow("ring of one tile, on the bottom layer")
        << false << QList<QRect> { QRect(2, 2, 5, 5), QRect(3, 3, 3, 3) } << QPoint(2, 6)
        << QList<QRect> { QRect(2, 2, 5, 1), QRect(2, 6, 5, 1), QRect(2, 3, 1, 3), QRect(6, 3, 1, 3) };
    QTest::newRow("empty cells bounded by the map's edge")
        << true << QList<QRect> { QRect(0, 5, 30, 1) } << QPoint(10, 2) << QList<QRect> { QRect(0, 0, 30, 5) };
    QTest::newRow("the whole map") << true << QList<QRect>() << QPoint(29, 29) << QList<QRect> { QRect(0, 0, 30, 30) };
}

void TestEditorGestures::floodFill()
{
    QFETCH(bool, topLayer);
    QFETCH(QList<QRect>, squares);
    QFETCH(QPoint, clicked);
    QFETCH(QList<QRect>, region);
    loadSets(false);
    chooseSet(0);
    canvas->setLayer(topLayer);
    for (int k = 0; k < squares.size(); ++k) {
        pickPaletteTile(QPoint(k + 1, 0));
        squareFill(squares[k]);
    }
    const LayerTiles layer = topLayer ? canvas->topLayerCells() : canvas->bottomLayerCells();
    const LayerCopy before(layer);
    const int steps = canvas->history().stepCount();
    pickPaletteTile(QPoint(7, 3));

    QTest::mouseClick(canvas, Qt::LeftButton, Qt::ShiftModifier, cellCentre(*canvas, clicked));

    for (int x = 0; x < 30; ++x) {
        for (int y = 0; y < 30; ++y) {
            const bool filled = std::any_of(region.begin(), region.end(),
                                            [&](const QRect& r) { return r.contains(x, y); });
            if (filled)
                QCOMPARE(layer[x][y].tileIndex, 31);
            else
                QCOMPARE(tileValues(layer[x][y]), before.valuesAt(x, y));
        }
    }
    QCOMPARE(canvas->history().stepCount(), steps + 1);
    QCOMPARE(canvas->history().undoText(), QStringLiteral("Flood Fill"));
    canvas->history().undo();
    QCOMPARE(before.changedIn(layer), QList<QPoint>());
}

void TestEditorGestures::passRectangle_data()
{
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<bool>("firstPassable");
    QTest::addColumn<QRect>("cells");

    QTest::newRow("down and right") << QPoint(2, 2) << QPoint(5, 4) << false << QRect(2, 2, 4, 3);
    QTest::newRow("up and left") << QPoint(5, 4) << QPoint(2, 2) << false << QRect(2, 2, 4, 3);
    QTest::newRow("first cell passable: all impassable") << QPoint(3, 1) << QPoint(1, 3) << true << QRect(1, 1, 3, 3);
    QTest::newRow("one cell") << QPoint(7, 7) << QPoint(7, 7) << false << QRect(7, 7, 1, 1);
    QTest::newRow("beyond the map's edge") << QPoint(27, 28) << QPoint(34, 33) << false << QRect(27, 28, 3, 2);
}

void TestEditorGestures::passRectangle()
{
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(bool, firstPassable);
    QFETCH(QRect, cells);
    canvas->setTool(WorldViewWidget::Pass);
    // Cells around the rectangle passable, and its first cell as asked.
    for (const QPoint& cell : { QPoint(0, 0), QPoint(4, 3), from }) {
        if (cell != from || firstPassable)
            clickCell(*canvas, Qt::LeftButton, cell);
    }
    const LayerCopy before(canvas->topLayerCells());
    const int steps = canvas->history().stepCount();

    QTest::mousePress(canvas, Qt::LeftButton, Qt::ShiftModifier, cellCentre(*canvas, from));
    // Halfway, the cells between the first one and the pointer, within the map.
    const QPoint halfway = (from + to) / 2;
    sendMove(canvas, cellCentre(*canvas, halfway), Qt::LeftButton);
    const QPoint inside(std::min(halfway.x(), 29), std::min(halfway.y(), 29));
    const QRect spanned(QPoint(std::min(from.x(), inside.x()), std::min(from.y(), inside.y())),
                        QPoint(std::max(from.x(), inside.x()), std::max(from.y(), inside.y())));
    QCOMPARE(canvas->selection(), std::optional<QRect>(spanned));
    const QPoint end = cellCentre(*canvas, to);
    sendMove(canvas, end, Qt::LeftButton);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::ShiftModifier, end);

    const LayerTiles top = canvas->topLayerCells();
    for (int x = 0; x < 30; ++x) {
        for (int y = 0; y < 30; ++y) {
            if (cells.contains(x, y))
                QVERIFY2(top[x][y].pass == !firstPassable, qPrintable(QStringLiteral("%1 %2").arg(x).arg(y)));
            else
                QCOMPARE(tileValues(top[x][y]), before.valuesAt(x, y));
        }
    }
    QVERIFY(!canvas->selection());
    QCOMPARE(canvas->history().stepCount(), steps + 1);
    canvas->history().undo();
    QCOMPARE(before.changedIn(canvas->topLayerCells()), QList<QPoint>());
}

void TestEditorGestures::deleteAndEscape_data()
{
    QTest::addColumn<bool>("select");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<QList<QPoint>>("emptied");

    QTest::newRow("Delete empties the selection") << true << false
                                                 << QList<QPoint> { { 1, 1 }, { 1, 2 }, { 2, 1 }, { 2, 2 }, { 3, 1 }, { 3, 2 } };
    QTest::newRow("Escape drops it: Delete empties the current cell") << true << true << QList<QPoint> { { 1, 1 } };
    QTest::newRow("without a selection, the current cell") << false << false << QList<QPoint> { { 3, 2 } };
}

void TestEditorGestures::deleteAndEscape()
{
    QFETCH(bool, select);
    QFETCH(bool, escape);
    QFETCH(QList<QPoint>, emptied);
    loadSets(false);
    chooseSet(0);
    canvas->setLayer(false);
    pickPaletteTile(QPoint(3, 0));
    squareFill(QRect(0, 0, 6, 6));
    const LayerCopy before(canvas->bottomLayerCells());
    const LayerCopy top(canvas->topLayerCells());
    canvas->setTool(WorldViewWidget::Select);
    if (select)
        dragCells(*canvas, Qt::LeftButton, { QPoint(1, 1), QPoint(3, 2) });
    else
        clickCell(*canvas, Qt::RightButton, QPoint(3, 2));

    if (escape) {
        QTest::keyClick(canvas, Qt::Key_Escape);
        QVERIFY(!canvas->selection());
    }
    // The key reaches the map also after a click in the palette.
    QVERIFY2(activateWindow(window), "the window did not become active");
    pickPaletteTile(QPoint(1, 0));
    QTest::keyClick(palette, Qt::Key_Delete);

    std::sort(emptied.begin(), emptied.end(), [](const QPoint& p, const QPoint& q) {
        return std::make_pair(p.x(), p.y()) < std::make_pair(q.x(), q.y());
    });
    QCOMPARE(before.changedIn(canvas->bottomLayerCells()), emptied);
    QCOMPARE(filledCells(canvas->bottomLayerCells()).size(), 36 - emptied.size());
    QCOMPARE(top.changedIn(canvas->topLayerCells()), QList<QPoint>());
    QCOMPARE(canvas->history().undoText(), QStringLiteral("Delete"));
    canvas->history().undo();
    QCOMPARE(before.changedIn(canvas->bottomLayerCells()), QList<QPoint>());
}

void TestEditorGestures::ctrlWheelZooms_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("delta");
    QTest::addColumn<bool>("control");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<float>("zoom");
    QTest::addColumn<bool>("kept"); // the scroll range allows keeping the cell in place

    QTest::newRow("in at the first level") << "Zoom 1.0x" << 120 << true << "Zoom 1.0x" << 1.0f << true;
    QTest::newRow("out from the first level") << "Zoom 1.0x" << -120 << true << "Zoom 0.8x" << 0.8f << true;
    QTest::newRow("two notches out") << "Zoom 1.0x" << -240 << true << "Zoom 0.6x" << 0.6f << true;
    QTest::newRow("out at the last level") << "Zoom 0.2x" << -120 << true << "Zoom 0.2x" << 0.2f << true;
    QTest::newRow("in from the last level") << "Zoom 0.2x" << 120 << true << "Zoom 0.4x" << 0.4f << false;
    QTest::newRow("half a notch waits for the rest") << "Zoom 0.6x" << 60 << true << "Zoom 0.6x" << 0.6f << true;
    QTest::newRow("without Ctrl the view scrolls") << "Zoom 1.0x" << -120 << false << "Zoom 1.0x" << 1.0f << false;
}

void TestEditorGestures::ctrlWheelZooms()
{
    QFETCH(QString, start);
    QFETCH(int, delta);
    QFETCH(bool, control);
    QFETCH(QString, checked);
    QFETCH(float, zoom);
    QFETCH(bool, kept);
    auto* view = qobject_cast<QScrollArea*>(canvas->parentWidget()->parentWidget());
    zoomAction(start)->trigger();
    QApplication::processEvents();
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum() / 2);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
    // The pointer over a cell in the middle of the view, or of a map smaller
    // than the view.
    QPoint pixel = canvas->mapFrom(view->viewport(), view->viewport()->rect().center());
    if (!canvas->rect().contains(pixel))
        pixel = canvas->rect().center();
    const QPoint inView = canvas->mapTo(view->viewport(), pixel);
    const QPoint cell = canvas->cellAt(pixel.x(), pixel.y());

    QWheelEvent wheel(QPointF(pixel), QPointF(canvas->mapToGlobal(pixel)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, control ? Qt::ControlModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(canvas, &wheel);
    QApplication::processEvents();

    QCOMPARE(canvas->zoom(), zoom);
    for (const char* level : { "Zoom 1.0x", "Zoom 0.8x", "Zoom 0.6x", "Zoom 0.4x", "Zoom 0.2x" })
        QCOMPARE(zoomAction(QString::fromLatin1(level))->isChecked(), checked == QLatin1String(level));
    // Left to the scroll area, which Qt hands a wheel event the canvas does
    // not take.
    QCOMPARE(wheel.isAccepted(), control);
    const QPoint after = canvas->mapFrom(view->viewport(), inView);
    if (kept)
        QCOMPARE(canvas->cellAt(after.x(), after.y()), cell);
    // The mark under the pointer follows to the cell now there.
    if (control && canvas->rect().contains(after))
        QCOMPARE(canvas->hoverCellPosition(), canvas->cellAt(after.x(), after.y()));
}

void TestEditorGestures::undoShowsTheSetShownBefore_data()
{
    QTest::addColumn<bool>("import");
    QTest::newRow("New set") << false;
    QTest::newRow("Import Set") << true;
}

void TestEditorGestures::undoShowsTheSetShownBefore()
{
    QFETCH(bool, import);
    QVERIFY(palette->loadTileSet(b));
    const QString saved = dir.filePath(QStringLiteral("b.map"));
    QVERIFY(canvas->writeMapFile(saved));
    canvas->clearSet();
    loadSets(true);
    chooseSet(1);

    if (import)
        QVERIFY(canvas->readMapFile(saved));
    else
        canvas->clearSet();
    QCOMPARE(palette->shownTileSet(), import ? 0 : -1);
    canvas->history().undo();

    QCOMPARE(palette->tileSetTotal(), 3);
    QCOMPARE(palette->shownTileSet(), 1);
    QCOMPARE(pane->chooser()->currentIndex(), 1);
    QCOMPARE(palette->tileAt(0, 0)->tileSetFile, b);
    canvas->history().redo();
    QCOMPARE(palette->shownTileSet(), import ? 0 : -1);
}

void TestEditorGestures::statusLine_data()
{
    QTest::addColumn<QPoint>("pointer"); // in cells; beyond the map when outside
    QTest::addColumn<bool>("topLayer");
    QTest::addColumn<bool>("brush");
    QTest::addColumn<QString>("text");

    QTest::newRow("over a cell") << QPoint(12, 7) << true << false << "x 12, y 7 | top layer | 30 x 30 | no brush";
    QTest::newRow("bottom layer, with a brush")
        << QPoint(0, 29) << false << true << "x 0, y 29 | bottom layer | 30 x 30 | brush: tile 10 of %1";
    QTest::newRow("outside the map") << QPoint(30, 3) << true << true << "top layer | 30 x 30 | brush: tile 10 of %1";
}

void TestEditorGestures::statusLine()
{
    QFETCH(QPoint, pointer);
    QFETCH(bool, topLayer);
    QFETCH(bool, brush);
    QFETCH(QString, text);
    loadSets(false);
    if (brush) {
        chooseSet(0);
        pickPaletteTile(QPoint(2, 1));
    }
    canvas->setLayer(topLayer);
    sendMove(canvas, cellCentre(*canvas, pointer), Qt::NoButton);
    QTRY_COMPARE(statusText(), brush ? text.arg(a) : text);

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(canvas, &leave);
    QTRY_VERIFY(!statusText().startsWith(QStringLiteral("x ")));
}

void TestEditorGestures::statusLineKeepsLongNamesShort()
{
    // A brush from a set with a path as long as the system allows.
    Tile brush;
    brush.tileSetFile = QStringLiteral("tiles/") + QString(4000, QLatin1Char('x')) + QStringLiteral(".png");
    brush.tileIndex = 3;
    canvas->setBrushTile(brush);
    QTRY_VERIFY(statusText().endsWith(QStringLiteral("x.png")));
    const QLabel* label = window->findChild<QLabel*>(QStringLiteral("mapStatusLabel"));
    QVERIFY2(label->width() < 1000, qPrintable(QString::number(label->width())));
    QVERIFY(statusText().contains(QStringLiteral("brush: tile 3 of tiles/x")));
}

QTEST_MAIN(TestEditorGestures)
#include "tst_editorgestures.moc"

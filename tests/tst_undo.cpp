#include "app/mainwindow.h"
#include "canvas/worldviewwidget.h"
#include "palette/tilesetwidget.h"
#include "support/canvasdriver.h"
#include "support/modalanswerer.h"
#include "support/referencerenderer.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

// Undo and redo in the editor's window: every kind of step brings back
// exactly the map of before and of after, as a saved file shows it and as
// the canvas draws it; the title follows the map's file and saved state.
class TestUndo : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everyStepUndoesAndRedoes_data();
    void everyStepUndoesAndRedoes();
    void strokeIsOneStep();
    void actionsNameTheirStep();
    void titleFollowsFileAndSavedState();
    void saveAllUsesTheMapsFile_data();
    void saveAllUsesTheMapsFile();
    void undoNewSetWithAnImageGone();

private:
    QAction* action(const QString& text) const;
    QByteArray saved();
    QString drawnDifference();
    void paintCells(int tile, const QList<QPoint>& cells, bool top = true);

    std::unique_ptr<QTemporaryDir> folder;
    QString previousFolder;
    std::unique_ptr<MainWindow> window;
    WorldViewWidget* canvas = nullptr;
    TileSetWidget* palette = nullptr;
};

using Step = std::function<void(WorldViewWidget& canvas, MainWindow& window)>;
Q_DECLARE_METATYPE(Step)

void TestUndo::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    previousFolder = QDir::currentPath();
    QDir::setCurrent(folder->path());
    QVERIFY(testTileSetImage().save(QStringLiteral("a.png")));
    QImage other = testTileSetImage();
    other.setPixelColor(60, 60, Qt::red);
    QVERIFY(other.save(QStringLiteral("b.png")));

    window = std::make_unique<MainWindow>();
    canvas = window->findChild<WorldViewWidget*>();
    palette = window->findChild<TileSetWidget*>();
    QVERIFY(canvas && palette);
    QVERIFY(palette->loadTileSet(QStringLiteral("a.png")));
    QVERIFY(palette->loadTileSet(QStringLiteral("b.png")));
}

void TestUndo::cleanup()
{
    window.reset();
    QDir::setCurrent(previousFolder);
    folder.reset();
}

QAction* TestUndo::action(const QString& text) const
{
    for (QAction* candidate : window->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (candidate->text() == text || candidate->text().startsWith(text + QLatin1Char(' ')))
            return candidate;
    }
    return nullptr;
}

QByteArray TestUndo::saved()
{
    const QString path = folder->filePath(QStringLiteral("probe.map"));
    if (!canvas->writeMapFile(path))
        return QByteArray("<not saved>");
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QString TestUndo::drawnDifference()
{
    // The canvas is drawn over its scroll area's background, as on screen.
    const QColor background = canvas->parentWidget()->palette().color(QPalette::Dark);
    return firstDifference(canvasRendering(*canvas, background), referenceRendering(*canvas, background));
}

void TestUndo::paintCells(int tile, const QList<QPoint>& cells, bool top)
{
    canvas->setLayer(top);
    canvas->setTool(WorldViewWidget::Paint);
    pickBrush(*canvas, QStringLiteral("a.png"), tile);
    for (const QPoint& cell : cells)
        clickCell(*canvas, Qt::LeftButton, cell);
    canvas->setLayer(true);
}

void TestUndo::everyStepUndoesAndRedoes_data()
{
    QTest::addColumn<Step>("step");
    QTest::addColumn<QString>("name");

    QTest::newRow("paint stroke") << Step([](WorldViewWidget& c, MainWindow&) {
        c.setTool(WorldViewWidget::Paint);
        pickBrush(c, QStringLiteral("b.png"), 6, true);
        dragCells(c, Qt::LeftButton, { QPoint(0, 0), QPoint(6, 3), QPoint(9, 9) });
    }) << "Paint";
    QTest::newRow("erase stroke") << Step([](WorldViewWidget& c, MainWindow&) {
        c.setTool(WorldViewWidget::Erase);
        dragCells(c, Qt::LeftButton, { QPoint(1, 2), QPoint(5, 2) });
    }) << "Erase";
    QTest::newRow("square fill on the bottom layer") << Step([](WorldViewWidget& c, MainWindow&) {
        c.setLayer(false);
        c.setTool(WorldViewWidget::Square);
        pickBrush(c, QStringLiteral("b.png"), 9);
        dragCells(c, Qt::LeftButton, { QPoint(1, 1), QPoint(5, 4) });
    }) << "Square Fill";
    QTest::newRow("pass toggle") << Step([](WorldViewWidget& c, MainWindow&) {
        c.setTool(WorldViewWidget::Pass);
        clickCell(c, Qt::LeftButton, QPoint(2, 2));
    }) << "Set Pass";
    QTest::newRow("paste") << Step([](WorldViewWidget& c, MainWindow&) {
        c.setTool(WorldViewWidget::Select);
        dragCells(c, Qt::LeftButton, { QPoint(1, 1), QPoint(3, 3) });
        c.copy();
        clickCell(c, Qt::RightButton, QPoint(27, 28));
        c.paste();
    }) << "Paste";
    QTest::newRow("cut") << Step([](WorldViewWidget& c, MainWindow&) {
        c.setTool(WorldViewWidget::Select);
        dragCells(c, Qt::LeftButton, { QPoint(1, 1), QPoint(4, 3) });
        c.cut();
    }) << "Cut";
    QTest::newRow("set starting point") << Step([](WorldViewWidget& c, MainWindow&) {
        clickCell(c, Qt::RightButton, QPoint(7, 8));
        c.setStartPoint();
    }) << "Set Starting Point";
    QTest::newRow("resize, cutting cells off") << Step([](WorldViewWidget& c, MainWindow&) {
        ModalAnswerer answerer;
        answerer.expectMessageBox(QMessageBox::Yes);
        c.resizeWorld(3, 40);
        VERIFY_ANSWERED(answerer);
    }) << "Resize";
    QTest::newRow("resize, growing") << Step([](WorldViewWidget& c, MainWindow&) {
        c.resizeWorld(41, 33);
    }) << "Resize";
    QTest::newRow("new set") << Step([](WorldViewWidget& c, MainWindow&) { c.clearSet(); }) << "New Set";
    QTest::newRow("import") << Step([](WorldViewWidget& c, MainWindow&) {
        QFile file(QStringLiteral("other.map"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("2\nb.png\nmissing.png\n2 1\n0 4 1\n1 7 0\n-1 -1 1\n0 2 0\n");
        file.close();
        ModalAnswerer answerer;
        answerer.expectMessageBox(QMessageBox::Ok); // missing.png does not load
        QVERIFY(c.readMapFile(QStringLiteral("other.map")));
        VERIFY_ANSWERED(answerer);
    }) << "Import Set";
}

void TestUndo::everyStepUndoesAndRedoes()
{
    QFETCH(Step, step);
    QFETCH(QString, name);
    // Something in both layers, a pass flag and both tile sets in use, so
    // that every step has something to keep or to lose.
    paintCells(1, { QPoint(1, 1), QPoint(2, 2), QPoint(3, 2), QPoint(29, 29) });
    paintCells(4, { QPoint(2, 2), QPoint(0, 5) }, false);
    canvas->setTool(WorldViewWidget::Pass);
    clickCell(*canvas, Qt::LeftButton, QPoint(3, 3));
    pickBrush(*canvas, QStringLiteral("b.png"), 12);
    canvas->setTool(WorldViewWidget::Paint);
    clickCell(*canvas, Qt::LeftButton, QPoint(4, 1));
    clickCell(*canvas, Qt::RightButton, QPoint(0, 0));

    const QByteArray before = saved();
    const QPoint startBefore = canvas->startCell();
    const QStringList setsBefore = { QStringLiteral("a.png"), QStringLiteral("b.png") };
    step(*canvas, *window);
    const QByteArray after = saved();
    const QPoint startAfter = canvas->startCell();
    QVERIFY(after != before || startAfter != startBefore);
    QString difference = drawnDifference();
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    QAction* undo = action(QStringLiteral("&Undo"));
    QAction* redo = action(QStringLiteral("&Redo"));
    QVERIFY(undo && redo);
    QCOMPARE(undo->text(), QStringLiteral("&Undo ") + name);
    undo->trigger();
    QCOMPARE(saved(), before);
    QCOMPARE(canvas->startCell(), startBefore);
    QCOMPARE(canvas->map().tileSetNames(), setsBefore);
    QCOMPARE(palette->tileSetTotal(), 2);
    QCOMPARE(palette->tileSetName(1), QStringLiteral("b.png"));
    difference = drawnDifference();
    QVERIFY2(difference.isEmpty(), qPrintable(difference));

    QCOMPARE(redo->text(), QStringLiteral("&Redo ") + name);
    redo->trigger();
    QCOMPARE(saved(), after);
    QCOMPARE(canvas->startCell(), startAfter);
    difference = drawnDifference();
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestUndo::strokeIsOneStep()
{
    paintCells(2, { QPoint(5, 5) });
    const QByteArray before = saved();
    pickBrush(*canvas, QStringLiteral("a.png"), 3);
    dragCells(*canvas, Qt::LeftButton, { QPoint(0, 0), QPoint(3, 0), QPoint(3, 7), QPoint(5, 5) });
    const QByteArray afterStroke = saved();
    dragCells(*canvas, Qt::LeftButton, { QPoint(10, 10), QPoint(12, 10) });
    canvas->history().undo();
    QCOMPARE(saved(), afterStroke);
    canvas->history().undo();
    QCOMPARE(saved(), before);
    // A click that changes nothing is no step, and leaves what can be redone.
    canvas->history().redo();
    const int steps = canvas->history().stepCount();
    clickCell(*canvas, Qt::LeftButton, QPoint(0, 0));
    QCOMPARE(canvas->history().stepCount(), steps);
    QVERIFY(canvas->history().canRedo());
}

void TestUndo::actionsNameTheirStep()
{
    QAction* undo = action(QStringLiteral("&Undo"));
    QAction* redo = action(QStringLiteral("&Redo"));
    QVERIFY(undo && redo);
    // Each step of the setup is one to undo, but none before it.
    while (canvas->history().canUndo())
        canvas->history().undo();
    QVERIFY(!undo->isEnabled());
    QCOMPARE(undo->text(), QStringLiteral("&Undo"));

    canvas->setTool(WorldViewWidget::Square);
    pickBrush(*canvas, QStringLiteral("a.png"), 1);
    dragCells(*canvas, Qt::LeftButton, { QPoint(1, 1), QPoint(4, 4) });
    QVERIFY(undo->isEnabled());
    QCOMPARE(undo->text(), QStringLiteral("&Undo Square Fill"));
    QVERIFY(!redo->isEnabled());
    undo->trigger();
    QVERIFY(!undo->isEnabled());
    QVERIFY(redo->isEnabled());
    QCOMPARE(redo->text(), QStringLiteral("&Redo Square Fill"));
}

void TestUndo::titleFollowsFileAndSavedState()
{
    // The two tile sets loaded change what a save writes.
    QCOMPARE(window->windowTitle(), QStringLiteral("Untitled[*] - Varnhold"));
    QVERIFY(window->isWindowModified());

    QVERIFY(canvas->writeMapFile(QStringLiteral("castle.map")));
    QCOMPARE(window->windowTitle(), QStringLiteral("castle.map[*] - Varnhold"));
    QVERIFY(!window->isWindowModified());
    paintCells(2, { QPoint(2, 2) });
    QVERIFY(window->isWindowModified());
    canvas->history().undo();
    QVERIFY(!window->isWindowModified());

    // A new set has no file until it is saved; undoing it gives the file back.
    canvas->clearSet();
    QCOMPARE(window->windowTitle(), QStringLiteral("Untitled[*] - Varnhold"));
    QVERIFY(!window->isWindowModified());
    canvas->history().undo();
    QCOMPARE(window->windowTitle(), QStringLiteral("castle.map[*] - Varnhold"));
    QVERIFY(!window->isWindowModified());
}

void TestUndo::saveAllUsesTheMapsFile_data()
{
    QTest::addColumn<bool>("hasFile");
    QTest::newRow("map with a file: saved there, no dialog") << true;
    QTest::newRow("map without a file: asks for a name") << false;
}

void TestUndo::saveAllUsesTheMapsFile()
{
    QFETCH(bool, hasFile);
    if (hasFile)
        QVERIFY(canvas->writeMapFile(QStringLiteral("castle.map")));
    paintCells(3, { QPoint(4, 4) });

    ModalAnswerer answerer;
    if (!hasFile) {
        answerer.expect([](QWidget* dialog) {
            // The save dialog: cancelling it writes nothing.
            dialog->close();
        });
    }
    QAction* saveAll = action(QStringLiteral("&Save All"));
    QVERIFY(saveAll);
    saveAll->trigger();
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenCount(), hasFile ? 0 : 1);
    QCOMPARE(window->isWindowModified(), !hasFile);
    if (hasFile) {
        QFile file(QStringLiteral("castle.map"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("\n0 3 0\n"));
    }
}

void TestUndo::undoNewSetWithAnImageGone()
{
    // Undo brings back the tile sets as they were, not as the files are now.
    paintCells(5, { QPoint(3, 3) });
    const QByteArray before = saved();
    canvas->clearSet();
    QVERIFY(QFile::remove(QStringLiteral("a.png")));
    canvas->history().undo();
    QCOMPARE(canvas->map().tileSetNames(), (QStringList { QStringLiteral("a.png"), QStringLiteral("b.png") }));
    QVERIFY(canvas->topLayerCells()[3][3].tileSet != nullptr);
    QCOMPARE(saved(), before);
}

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"

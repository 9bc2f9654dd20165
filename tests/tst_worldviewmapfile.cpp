#include "app/mainwindow.h"
#include "canvas/worldviewwidget.h"
#include "palette/tilesetwidget.h"
#include "support/canvasdriver.h"
#include "support/modalanswerer.h"
#include "support/windowstate.h"
#include "support/referencerenderer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Saving and importing sets through the canvas, wired to a palette as in the
// editor. Tile-set images live in a temporary folder that is the current
// directory, so that the names the sets are stored under resolve.
class TestWorldViewMapFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newSetIsWrittenByteForByte();
    void twoByOneExample();
    void recordsRunRowByRow();
    void roundTripKeepsEveryCell();
    void importIgnoresLineStructure_data();
    void importIgnoresLineStructure();
    void importLeavesViewStateAndEmptiesBrush();
    void refusedImportChangesNothing_data();
    void refusedImportChangesNothing();
    void missingTileSetKeepsItsCells();
    void recordsWithoutTilesSaveAsRead_data();
    void recordsWithoutTilesSaveAsRead();
    void tilesBeyondTheirSetDrawEmpty();
    void unloadableSetsInOneBox();
    void tooManySetsListsEveryMissingOne();
    void refusedSaveKeepsOldFile_data();
    void refusedSaveKeepsOldFile();
    void unstorableNameRefusesSave();

private:
    void writeImage(const QString& name, const QColor& tint = QColor());
    void writeText(const QString& name, const QByteArray& text);
    QByteArray readText(const QString& name) const;
    void paint(const QString& set, int tile, const QPoint& cell, bool top = true);
    void togglePass(const QPoint& cell);

    std::unique_ptr<QTemporaryDir> folder;
    QString previousFolder;
    std::unique_ptr<MainWindow> window;
    WorldViewWidget* canvas = nullptr;
    TileSetWidget* palette = nullptr;
};

namespace {

// What a map file keeps of each cell: its tile set's name, tile and pass flag.
QStringList storedValues(const LayerTiles& layer)
{
    QStringList values;
    for (int x = 0; x < layer.width(); ++x) {
        for (int y = 0; y < layer.height(); ++y) {
            const Tile& cell = layer[x][y];
            values << QStringLiteral("%1,%2: %3 %4 %5").arg(x).arg(y).arg(cell.tileSetFile).arg(cell.tileIndex).arg(cell.pass);
        }
    }
    return values;
}

} // namespace

void TestWorldViewMapFile::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    previousFolder = QDir::currentPath();
    QDir::setCurrent(folder->path());
    window = std::make_unique<MainWindow>();
    canvas = window->findChild<WorldViewWidget*>();
    palette = window->findChild<TileSetWidget*>();
    QVERIFY(canvas && palette);
}

void TestWorldViewMapFile::cleanup()
{
    window.reset();
    QDir::setCurrent(previousFolder);
    folder.reset();
}

void TestWorldViewMapFile::writeImage(const QString& name, const QColor& tint)
{
    QImage image = testTileSetImage();
    if (tint.isValid())
        image.setPixelColor(60, 60, tint);
    QDir().mkpath(QFileInfo(name).path());
    QVERIFY(image.save(name, "PNG"));
}

void TestWorldViewMapFile::writeText(const QString& name, const QByteArray& text)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray TestWorldViewMapFile::readText(const QString& name) const
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void TestWorldViewMapFile::paint(const QString& set, int tile, const QPoint& cell, bool top)
{
    canvas->setLayer(top);
    canvas->setTool(WorldViewWidget::Paint);
    pickBrush(*canvas, set, tile);
    clickCell(*canvas, Qt::LeftButton, cell);
    canvas->setLayer(true);
}

void TestWorldViewMapFile::togglePass(const QPoint& cell)
{
    canvas->setTool(WorldViewWidget::Pass);
    clickCell(*canvas, Qt::LeftButton, cell);
    canvas->setTool(WorldViewWidget::Paint);
}

void TestWorldViewMapFile::newSetIsWrittenByteForByte()
{
    QVERIFY(canvas->writeMapFile(QStringLiteral("new.map")));
    QByteArray expected("0\n30 30\n");
    for (int i = 0; i < 1800; ++i)
        expected += "-1 -1 0\n";
    QCOMPARE(readText(QStringLiteral("new.map")), expected);
}

void TestWorldViewMapFile::twoByOneExample()
{
    writeImage(QStringLiteral("tiles/grass.png"));
    QVERIFY(palette->loadTileSet(QStringLiteral("tiles/grass.png")));
    canvas->resizeWorld(2, 1);
    QCOMPARE(canvas->worldSize(), QSize(2, 1));
    paint(QStringLiteral("tiles/grass.png"), 5, QPoint(0, 0));
    togglePass(QPoint(0, 0));

    QVERIFY(canvas->writeMapFile(QStringLiteral("example.map")));
    QCOMPARE(readText(QStringLiteral("example.map")),
             QByteArray("1\ntiles/grass.png\n2 1\n0 5 1\n-1 -1 0\n-1 -1 0\n-1 -1 0\n"));
}

void TestWorldViewMapFile::recordsRunRowByRow()
{
    writeImage(QStringLiteral("a.png"));
    QVERIFY(palette->loadTileSet(QStringLiteral("a.png")));
    canvas->resizeWorld(5, 3);
    // Tile x + 5 * y in top cell (x, y), tile 14 - that in the bottom cell.
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            paint(QStringLiteral("a.png"), x + 5 * y, QPoint(x, y), true);
            paint(QStringLiteral("a.png"), 14 - (x + 5 * y), QPoint(x, y), false);
        }
    }
    QVERIFY(canvas->writeMapFile(QStringLiteral("order.map")));
    QByteArray expected("1\na.png\n5 3\n");
    for (int i = 0; i < 15; ++i)
        expected += "0 " + QByteArray::number(i) + " 0\n";
    for (int i = 0; i < 15; ++i)
        expected += "0 " + QByteArray::number(14 - i) + " 0\n";
    QCOMPARE(readText(QStringLiteral("order.map")), expected);

    canvas->clearSet();
    QVERIFY(canvas->readMapFile(QStringLiteral("order.map")));
    QCOMPARE(canvas->worldSize(), QSize(5, 3));
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            QCOMPARE(canvas->topLayerCells()[x][y].tileIndex, x + 5 * y);
            QCOMPARE(canvas->bottomLayerCells()[x][y].tileIndex, 14 - (x + 5 * y));
        }
    }
}

void TestWorldViewMapFile::roundTripKeepsEveryCell()
{
    writeImage(QStringLiteral("a.png"));
    writeImage(QStringLiteral("b.png"), Qt::red);
    QVERIFY(palette->loadTileSet(QStringLiteral("a.png")));
    QVERIFY(palette->loadTileSet(QStringLiteral("b.png")));
    QVERIFY(palette->loadTileSet(QStringLiteral("a.png")));
    paint(QStringLiteral("b.png"), 3, QPoint(1, 2), true);
    paint(QStringLiteral("a.png"), 7, QPoint(4, 4), true);
    paint(QStringLiteral("b.png"), 14, QPoint(29, 29), false);
    paint(QStringLiteral("a.png"), 0, QPoint(0, 29), false);
    togglePass(QPoint(1, 2));   // a filled cell
    togglePass(QPoint(10, 10)); // an empty cell

    QVERIFY(canvas->writeMapFile(QStringLiteral("round.map")));
    const QByteArray written = readText(QStringLiteral("round.map"));
    // The set loaded twice is written with its first position.
    QVERIFY(written.startsWith("3\na.png\nb.png\na.png\n30 30\n"));
    QVERIFY(written.contains("\n0 7 0\n"));
    QVERIFY(written.contains("\n-1 -1 1\n"));

    const QStringList top = storedValues(canvas->topLayerCells());
    const QStringList bottom = storedValues(canvas->bottomLayerCells());
    canvas->clearSet();
    QVERIFY(canvas->readMapFile(QStringLiteral("round.map")));
    QCOMPARE(canvas->tileSetTotal(), 3);
    QCOMPARE(palette->tileSetTotal(), 3);
    for (int slot = 0; slot < 3; ++slot)
        QCOMPARE(canvas->tileSetName(slot), palette->tileSetName(slot));
    QCOMPARE(canvas->tileSetName(1), QStringLiteral("b.png"));
    QCOMPARE(storedValues(canvas->topLayerCells()), top);
    QCOMPARE(storedValues(canvas->bottomLayerCells()), bottom);
    // Every filled cell draws from the canvas's own copy of its named set.
    QCOMPARE(canvas->topLayerCells()[1][2].tileSet, canvas->tileSetImage(1));
    QCOMPARE(canvas->bottomLayerCells()[0][29].tileSet, canvas->tileSetImage(0));
}

void TestWorldViewMapFile::importIgnoresLineStructure_data()
{
    QTest::addColumn<QByteArray>("text");
    const QByteArray lines("1\na.png\n2 1\n0 5 1\n-1 -1 0\n-1 -1 0\n0 2 0\n");
    QTest::newRow("as written") << lines;
    QTest::newRow("all on one line") << QByteArray("1 a.png 2 1 0 5 1 -1 -1 0 -1 -1 0 0 2 0");
    QTest::newRow("CR LF line ends") << QByteArray(lines).replace("\n", "\r\n");
    QTest::newRow("tabs and blank lines") << QByteArray("1\n\na.png\t2\t1\n0 5 1 -1 -1 0\n\n-1 -1 0 0 2 0\n\n");
}

void TestWorldViewMapFile::importIgnoresLineStructure()
{
    QFETCH(QByteArray, text);
    writeImage(QStringLiteral("a.png"));
    writeText(QStringLiteral("in.map"), text);
    QVERIFY(canvas->readMapFile(QStringLiteral("in.map")));
    QCOMPARE(canvas->worldSize(), QSize(2, 1));
    QCOMPARE(canvas->tileSetName(0), QStringLiteral("a.png"));
    const Tile& top = canvas->topLayerCells()[0][0];
    QCOMPARE(top.tileIndex, 5);
    QCOMPARE(top.pass, true);
    QCOMPARE(top.tileSetFile, QStringLiteral("a.png"));
    QVERIFY(canvas->topLayerCells()[1][0].isEmpty());
    QCOMPARE(canvas->bottomLayerCells()[1][0].tileIndex, 2);
    QCOMPARE(canvas->size(), canvas->sizeHint());
}

void TestWorldViewMapFile::importLeavesViewStateAndEmptiesBrush()
{
    writeImage(QStringLiteral("a.png"));
    writeText(QStringLiteral("in.map"), "1\na.png\n3 3\n" + QByteArray("0 1 0\n").repeated(18));
    QVERIFY(palette->loadTileSet(QStringLiteral("a.png")));
    pickBrush(*canvas, QStringLiteral("a.png"), 2);
    clickCell(*canvas, Qt::RightButton, QPoint(6, 7));
    canvas->setStartPoint();
    canvas->setZoom(0.6f);
    canvas->setTool(WorldViewWidget::Erase);
    canvas->setLayer(false);
    canvas->showGridLines(false);

    QVERIFY(canvas->readMapFile(QStringLiteral("in.map")));
    QCOMPARE(canvas->startCell(), QPoint(6, 7));
    QCOMPARE(canvas->zoom(), 0.6f);
    QCOMPARE(canvas->tool(), int(WorldViewWidget::Erase));
    QCOMPARE(canvas->topLayerActive(), false);
    QCOMPARE(canvas->gridLinesShown(), false);
    QVERIFY(canvas->brushTile().isEmpty());
    QCOMPARE(canvas->tileSetTotal(), 1);
}

void TestWorldViewMapFile::refusedImportChangesNothing_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty path") << QString() << QByteArray() << QString();
    QTest::newRow("missing file") << QStringLiteral("missing.map") << QByteArray() << QString();
    QTest::newRow("cut short") << QStringLiteral("short.map") << QByteArray("1\na.png\n2 1\n0 5 1\n-1 -1 0\n")
                               << QStringLiteral("line ");
    QTest::newRow("bad pass flag") << QStringLiteral("pass.map")
                                   << QByteArray("0\n1 1\n-1 -1 0\n-1 -1 2\n") << QStringLiteral("line 4");
    QTest::newRow("set index past the list") << QStringLiteral("set.map")
                                             << QByteArray("1\na.png\n1 1\n1 0 0\n-1 -1 0\n")
                                             << QStringLiteral("line 4");
    QTest::newRow("text after the last cell") << QStringLiteral("tail.map")
                                              << QByteArray("0\n1 1\n-1 -1 0\n-1 -1 0\nmore\n")
                                              << QStringLiteral("line 5");
}

void TestWorldViewMapFile::refusedImportChangesNothing()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    if (!text.isEmpty())
        writeText(file, text);
    writeImage(QStringLiteral("a.png"));
    writeImage(QStringLiteral("keep.png"));
    QVERIFY(palette->loadTileSet(QStringLiteral("keep.png")));
    paint(QStringLiteral("keep.png"), 4, QPoint(3, 3));
    pickBrush(*canvas, QStringLiteral("keep.png"), 6);
    const LayerCopy top(canvas->topLayerCells());

    QString error;
    QVERIFY(!canvas->readMapFile(file, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));

    QCOMPARE(top.changedIn(canvas->topLayerCells()), QList<QPoint>());
    QCOMPARE(canvas->tileSetTotal(), 1);
    QCOMPARE(palette->tileSetTotal(), 1);
    QCOMPARE(palette->tileSetName(0), QStringLiteral("keep.png"));
    QCOMPARE(canvas->brushTile().tileIndex, 6);
    QCOMPARE(canvas->worldSize(), QSize(30, 30));
}

void TestWorldViewMapFile::missingTileSetKeepsItsCells()
{
    writeImage(QStringLiteral("a.png"));
    writeImage(QStringLiteral("c.png"), Qt::blue);
    writeText(QStringLiteral("three.map"),
              "3\na.png\nb.png\nc.png\n3 1\n0 1 0\n1 2 1\n2 3 0\n-1 -1 0\n1 4 0\n2 5 1\n");

    QList<FileProblem> unloaded;
    QVERIFY(canvas->readMapFile(QStringLiteral("three.map"), nullptr, &unloaded));
    QCOMPARE(unloaded.size(), 1);
    QCOMPARE(unloaded[0].path, QFileInfo(QStringLiteral("b.png")).absoluteFilePath());
    QCOMPARE(canvas->tileSetTotal(), 2);

    const Tile& fromB = canvas->topLayerCells()[1][0];
    QCOMPARE(fromB.tileSetFile, QStringLiteral("b.png"));
    QCOMPARE(fromB.tileIndex, 2);
    QCOMPARE(fromB.pass, true);
    QCOMPARE(fromB.tileSet, nullptr);
    const Tile& fromC = canvas->topLayerCells()[2][0];
    QCOMPARE(fromC.tileSetFile, QStringLiteral("c.png"));
    QCOMPARE(fromC.tileSet, canvas->tileSetImage(1));

    // Saving loses nothing: b's name follows the loaded sets.
    QVERIFY(canvas->writeMapFile(QStringLiteral("saved.map")));
    QCOMPARE(readText(QStringLiteral("saved.map")),
             QByteArray("3\na.png\nc.png\nb.png\n3 1\n0 1 0\n2 2 1\n1 3 0\n-1 -1 0\n2 4 0\n1 5 1\n"));

    // Once an image of that name is loaded, its cells draw from it again.
    writeImage(QStringLiteral("b.png"), Qt::green);
    QVERIFY(palette->loadTileSet(QStringLiteral("b.png")));
    QCOMPARE(canvas->topLayerCells()[1][0].tileSet, canvas->tileSetImage(2));
    QCOMPARE(canvas->bottomLayerCells()[1][0].tileSet, canvas->tileSetImage(2));
    QVERIFY(canvas->writeMapFile(QStringLiteral("saved.map")));
    QCOMPARE(readText(QStringLiteral("saved.map")),
             QByteArray("3\na.png\nc.png\nb.png\n3 1\n0 1 0\n2 2 1\n1 3 0\n-1 -1 0\n2 4 0\n1 5 1\n"));
}

void TestWorldViewMapFile::recordsWithoutTilesSaveAsRead_data()
{
    QTest::addColumn<bool>("loads");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("saved");
    const QByteArray withTile = "1\na.png\n2 1\n0 -1 1\n0 -1 0\n-1 -1 0\n0 3 0\n";
    const QByteArray withoutTile = "1\na.png\n2 1\n0 -1 1\n0 -1 0\n-1 -1 0\n-1 -1 0\n";
    QTest::newRow("their set loads") << true << withTile << withTile;
    QTest::newRow("their set does not load, a tile of it does") << false << withTile << withTile;
    QTest::newRow("their set does not load, nothing else names it")
        << false << withoutTile << QByteArray("0\n2 1\n-1 -1 1\n-1 -1 0\n-1 -1 0\n-1 -1 0\n");
}

void TestWorldViewMapFile::recordsWithoutTilesSaveAsRead()
{
    // A record with a set and no tile keeps its set while the set is loaded
    // or another cell keeps its name; otherwise it is an empty cell.
    QFETCH(bool, loads);
    QFETCH(QByteArray, file);
    if (loads)
        writeImage(QStringLiteral("a.png"));
    writeText(QStringLiteral("bare.map"), file);
    QList<FileProblem> unloaded;
    QVERIFY(canvas->readMapFile(QStringLiteral("bare.map"), nullptr, &unloaded));
    QCOMPARE(unloaded.size(), loads ? 0 : 1);
    // Undo and redo on the way must not lose the set either.
    canvas->history().undo();
    canvas->history().redo();
    QVERIFY(canvas->writeMapFile(QStringLiteral("saved.map")));
    QTEST(readText(QStringLiteral("saved.map")), "saved");
}

void TestWorldViewMapFile::tilesBeyondTheirSetDrawEmpty()
{
    // The test set has 15 tiles: tile 15 lies just past them, the largest
    // index a file can hold far past. Both cells draw as empty cells (no
    // position is computed from the index) and are saved as they were read.
    writeImage(QStringLiteral("a.png"));
    const QByteArray file = "1\na.png\n3 1\n0 15 0\n0 2147483647 1\n0 14 0\n"
                            "0 2147483647 0\n-1 -1 0\n0 3 1\n";
    writeText(QStringLiteral("far.map"), file);
    QVERIFY(canvas->readMapFile(QStringLiteral("far.map")));
    // Drawn over its scroll area's background, as on screen.
    const QColor background = canvas->parentWidget()->palette().color(QPalette::Dark);
    const QImage drawn = canvasRendering(*canvas, background);
    QCOMPARE(firstDifference(drawn, referenceRendering(*canvas, background)), QString());
    // Cell (1, 0), clear of the start and cursor marks: the empty-cell colour.
    QCOMPARE(drawn.pixelColor(canvas->cellRect(1, 0).center()), QColor(255, 255, 254));
    QVERIFY(canvas->writeMapFile(QStringLiteral("saved.map")));
    QCOMPARE(readText(QStringLiteral("saved.map")), file);
}

void TestWorldViewMapFile::unloadableSetsInOneBox()
{
    // Forty names of sets that do not load, one of them 100 kB long: one box
    // lists them all, each line short enough that the box fits the screen.
    QByteArray file = "40\n";
    const QByteArray longName = "tiles/" + QByteArray(100000, 'x') + ".png";
    file += longName + '\n';
    for (int i = 1; i < 40; ++i)
        file += "missing" + QByteArray::number(i) + ".png\n";
    file += "1 1\n39 0 0\n0 1 1\n";
    writeText(QStringLiteral("forty.map"), file);

    ModalAnswerer answerer;
    QSize boxSize;
    answerer.expect(answerFileDialog(QStringLiteral("forty.map")));
    answerer.expect([&boxSize](QWidget* box) {
        boxSize = box->sizeHint();
        static_cast<QMessageBox*>(box)->accept();
    });
    actionByText(*window, QStringLiteral("&Import Set"))->trigger();
    QVERIFY(answerer.allAnswered());
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenCount(), 2);
    QCOMPARE(answerer.seenTitles()[1], QStringLiteral("TileSet Load"));
    const QStringList lines = answerer.seenTexts()[1].split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 41);
    QCOMPARE(lines.first(), QStringLiteral("File could not be loaded..."));
    QVERIFY(lines[40].contains(QStringLiteral("missing39.png: the file does not exist")));
    QVERIFY2(lines[1].size() < 1000, qPrintable(QString::number(lines[1].size())));
    const QRect screen = canvas->screen()->availableGeometry();
    QVERIFY2(boxSize.width() <= screen.width(), qPrintable(QString::number(boxSize.width())));

    // The cells keep their sets' names; undoing and redoing the import asks
    // for no set that failed, so shows no box.
    QCOMPARE(canvas->topLayerCells()[0][0].tileSetFile, QStringLiteral("missing39.png"));
    QCOMPARE(canvas->bottomLayerCells()[0][0].tileSetFile, QString::fromLatin1(longName));
    canvas->history().undo();
    QCOMPARE(canvas->worldSize(), QSize(30, 30));
    canvas->history().redo();
    QCOMPARE(answerer.seenCount(), 2);
}

void TestWorldViewMapFile::tooManySetsListsEveryMissingOne()
{
    // Forty sets that do not load, each in a cell, one of them with a 100 kB
    // name, and one set loaded after them: the file would need 41 names.
    QByteArray file = "40\n";
    QByteArray top, bottom;
    for (int i = 0; i < 40; ++i) {
        file += (i == 0 ? "tiles/" + QByteArray(100000, 'x') : "missing" + QByteArray::number(i)) + ".png\n";
        top += QByteArray::number(i) + " 0 0\n";
        bottom += "-1 -1 0\n";
    }
    const QByteArray many = file + "40 1\n" + top + bottom;
    writeText(QStringLiteral("many.map"), many);
    QVERIFY(canvas->readMapFile(QStringLiteral("many.map")));
    QPixmap image = QPixmap::fromImage(testTileSetImage());
    canvas->addTileSet(&image, QStringLiteral("real.png"));

    // Saved to its own file, through the window.
    ModalAnswerer answerer;
    answerer.expectMessageBox(QMessageBox::Ok);
    actionByText(*window, QStringLiteral("&Save All"))->trigger();
    VERIFY_ANSWERED(answerer);
    QCOMPARE(answerer.seenTitles(), QStringList { QStringLiteral("Set Save") });
    // The file, the reason, then every set not loaded on a line of its own,
    // each short enough for the screen.
    const QStringList lines = answerer.seenTexts().first().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2 + 40);
    QVERIFY2(lines[1].startsWith(QStringLiteral("The map uses 41 tile sets")), qPrintable(lines[1]));
    QVERIFY2(lines[2].startsWith(QStringLiteral("tiles/x")) && lines[2].size() < 1000,
             qPrintable(QString::number(lines[2].size())));
    QCOMPARE(lines[3], QStringLiteral("missing1.png"));
    QCOMPARE(lines.last(), QStringLiteral("missing39.png"));
    QCOMPARE(readText(QStringLiteral("many.map")), many);
}

void TestWorldViewMapFile::refusedSaveKeepsOldFile_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("folder does not exist") << QStringLiteral("nowhere/level.map");
    QTest::newRow("parent is a file") << QStringLiteral("plain.txt/level.map");
    QTest::newRow("target is a folder") << QStringLiteral("afolder");
}

void TestWorldViewMapFile::refusedSaveKeepsOldFile()
{
    QFETCH(QString, target);
    writeText(QStringLiteral("plain.txt"), "old content\n");
    QDir().mkdir(QStringLiteral("afolder"));
    const QStringList before = QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    QString error;
    QVERIFY(!canvas->writeMapFile(target, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readText(QStringLiteral("plain.txt")), QByteArray("old content\n"));
    QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    QVERIFY(QDir(QStringLiteral("afolder")).isEmpty());
}

void TestWorldViewMapFile::unstorableNameRefusesSave()
{
    // The palette refuses such names at load; a set added past it still
    // must not be written as a file that reads back as another set.
    QPixmap image = QPixmap::fromImage(testTileSetImage());
    canvas->addTileSet(&image, QStringLiteral("two words.png"));
    paint(QStringLiteral("two words.png"), 1, QPoint(0, 0));
    writeText(QStringLiteral("old.map"), "old\n");

    QString error;
    QVERIFY(!canvas->writeMapFile(QStringLiteral("old.map"), &error));
    QVERIFY2(error.contains(QStringLiteral("two words.png")), qPrintable(error));
    QCOMPARE(readText(QStringLiteral("old.map")), QByteArray("old\n"));
}

QTEST_MAIN(TestWorldViewMapFile)
#include "tst_worldviewmapfile.moc"

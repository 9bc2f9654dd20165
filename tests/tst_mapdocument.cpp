#include "document/mapdocument.h"

#include "mapfile/mapconversion.h"
#include "mapfile/mapwriter.h"
#include "support/canvasdriver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The map document without a widget: what a save writes, the unsaved mark,
// and errors that come back as values.
class TestMapDocument : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void modifiedFollowsWhatAFileWouldHold_data();
    void modifiedFollowsWhatAFileWouldHold();
    void refusalsChangeNothing_data();
    void refusalsChangeNothing();

private:
    // Runs one step of a row: "paint", "erase", "start", "load", "save NAME",
    // "import NAME", "new", "undo", "redo".
    void run(MapDocument& document, const QString& step);
    QByteArray fileText(const QString& name) const;

    std::unique_ptr<QTemporaryDir> folder;
    QString previousFolder;
    int painted = 0;
};

void TestMapDocument::init()
{
    folder = std::make_unique<QTemporaryDir>();
    QVERIFY(folder->isValid());
    previousFolder = QDir::currentPath();
    QDir::setCurrent(folder->path());
    QVERIFY(testTileSetImage().save(QStringLiteral("a.png")));
    QVERIFY(testTileSetImage().save(QStringLiteral("b.png")));
    // A map to import: a.png, one tile.
    MapDocument other;
    FileProblem problem;
    other.addTileSet(QStringLiteral("a.png"), other.readTileSet(QStringLiteral("a.png"), &problem));
    other.editCells(QStringLiteral("Paint"), [](WorldMap& map, CellPatch* record) {
        map.fill(Layer::Top, QRect(0, 0, 1, 1), Cell(map.slotOf(QStringLiteral("a.png")), 1, false), record);
    });
    QString error;
    QVERIFY2(other.save(QStringLiteral("c.map"), &error), qPrintable(error));
    // A map of the Tiled editor on the same art.
    QFile tmx(QStringLiteral("island.tmx"));
    QVERIFY(tmx.open(QIODevice::WriteOnly));
    tmx.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<map version="1.8" orientation="orthogonal" renderorder="right-down" width="2" height="1"
     tilewidth="40" tileheight="40" infinite="0">
 <tileset firstgid="1" name="a" tilewidth="40" tileheight="40" tilecount="15" columns="5">
  <image source="a.png" width="200" height="120"/>
 </tileset>
 <layer id="1" name="ground" width="2" height="1"><data encoding="csv">2,3</data></layer>
</map>
)");
    tmx.close();
    painted = 0;
}

void TestMapDocument::cleanup()
{
    QDir::setCurrent(previousFolder);
    folder.reset();
}

void TestMapDocument::run(MapDocument& document, const QString& step)
{
    const QString name = step.section(QLatin1Char(' '), 1);
    QString error;
    if (step == QLatin1String("paint") || step == QLatin1String("erase")) {
        // Each paint a cell of its own, each erase the last one painted.
        const bool erase = step == QLatin1String("erase");
        const int x = erase ? --painted : painted++;
        document.editCells(step, [x, erase](WorldMap& map, CellPatch* record) {
            const Cell value = erase ? Cell() : Cell(map.slotOf(QStringLiteral("b.png")), 2, false);
            map.fill(Layer::Bottom, QRect(x, 3, 1, 1), value, record);
        });
    } else if (step == QLatin1String("start")) {
        document.setStartPoint(document.map().startPoint() + QPoint(1, 1));
    } else if (step == QLatin1String("load")) {
        FileProblem problem;
        const QPixmap image = document.readTileSet(QStringLiteral("b.png"), &problem);
        QVERIFY2(!image.isNull(), qPrintable(problem.text()));
        document.addTileSet(QStringLiteral("b.png"), image);
    } else if (step.startsWith(QLatin1String("save"))) {
        QVERIFY2(document.save(name, &error), qPrintable(error));
    } else if (step.startsWith(QLatin1String("import"))) {
        QList<FileProblem> unloaded;
        QVERIFY2(document.importMap(name, &error, &unloaded), qPrintable(error));
        QVERIFY(unloaded.isEmpty());
    } else if (step == QLatin1String("new")) {
        document.newSet();
    } else if (step == QLatin1String("undo")) {
        document.history().undo();
    } else if (step == QLatin1String("redo")) {
        document.history().redo();
    } else {
        QFAIL(qPrintable(QStringLiteral("unknown step ") + step));
    }
}

QByteArray TestMapDocument::fileText(const QString& name) const
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestMapDocument::modifiedFollowsWhatAFileWouldHold_data()
{
    // The steps, and after each the mark: M modified, - not.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QString>("marks");
    QTest::newRow("a new map, painted, undone") << "paint, undo" << "M-";
    QTest::newRow("undo and redo around a save") << "load, paint, save b.map, paint, undo, undo, redo"
                                                 << "MM-M-M-";
    QTest::newRow("erasing what was painted is still a change")
        << "load, save b.map, paint, erase" << "M-MM";
    QTest::newRow("the start point is not in the file") << "start, load, save b.map, start, undo, undo"
                                                        << "-M----";
    QTest::newRow("loading a set writes a line more") << "load, save b.map, load, undo" << "M-MM";
    QTest::newRow("undoing an import goes back to the saved map")
        << "load, paint, save b.map, import c.map, undo, redo, paint, undo, undo" << "MM----M--";
    QTest::newRow("a map of the Tiled editor has no map file yet")
        << "load, save b.map, import island.tmx, undo, redo" << "M-M-M";
    QTest::newRow("a new set is a new map; undo brings the saved one")
        << "load, paint, save b.map, new, undo, undo" << "MM---M";
}

void TestMapDocument::modifiedFollowsWhatAFileWouldHold()
{
    QFETCH(QString, steps);
    QFETCH(QString, marks);
    MapDocument document;
    QVERIFY(!document.isModified());
    const QStringList list = steps.split(QStringLiteral(", "));
    QCOMPARE(list.size(), marks.size());
    for (int i = 0; i < list.size(); ++i) {
        run(document, list[i]);
        if (QTest::currentTestFailed())
            return;
        const bool modified = marks[i] == QLatin1Char('M');
        QVERIFY2(document.isModified() == modified,
                 qPrintable(QStringLiteral("after \"%1\" (step %2)").arg(list[i]).arg(i + 1)));
        // Unmodified means a save writes the very bytes the file holds.
        if (!modified && !document.fileName().isEmpty())
            QCOMPARE(formatMapFile(mapDataOf(document.map())), fileText(document.fileName()));
    }
}

void TestMapDocument::refusalsChangeNothing_data()
{
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("reason");
    QTest::newRow("import of a missing file") << "import missing.map" << "does not exist";
    QTest::newRow("import of a text that is no map") << "import a.txt" << "line 1";
    QTest::newRow("save into a missing folder") << "save nowhere/x.map" << "folder does not exist";
    QTest::newRow("tile set that is not an image") << "set a.txt" << "a.txt";
    QTest::newRow("tile set name a map file cannot hold") << "set two words.png" << "white space";
}

void TestMapDocument::refusalsChangeNothing()
{
    QFETCH(QString, step);
    QFETCH(QString, reason);
    QFile text(QStringLiteral("a.txt"));
    QVERIFY(text.open(QIODevice::WriteOnly) && text.write("not a map\n") > 0);
    text.close();
    QVERIFY(QFile::copy(QStringLiteral("a.png"), QStringLiteral("two words.png")));
    MapDocument document;
    run(document, QStringLiteral("load"));
    run(document, QStringLiteral("paint"));
    run(document, QStringLiteral("save b.map"));
    run(document, QStringLiteral("paint"));
    const QByteArray before = fileText(QStringLiteral("b.map"));
    const int steps = document.history().stepCount();

    const QString name = step.section(QLatin1Char(' '), 1);
    QString error;
    QList<FileProblem> unloaded;
    FileProblem problem;
    if (step.startsWith(QLatin1String("import")))
        QVERIFY(!document.importMap(name, &error, &unloaded));
    else if (step.startsWith(QLatin1String("save")))
        QVERIFY(!document.save(name, &error));
    else if (document.readTileSet(name, &problem).isNull())
        error = problem.text();
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(document.history().stepCount(), steps);
    QCOMPARE(document.map().tileSetNames(), QStringList { QStringLiteral("b.png") });
    QCOMPARE(document.fileName(), QStringLiteral("b.map"));
    QVERIFY(document.isModified());
    QCOMPARE(fileText(QStringLiteral("b.map")), before);
}

QTEST_MAIN(TestMapDocument)
#include "tst_mapdocument.moc"

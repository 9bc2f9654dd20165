#include "app/mainwindow.h"
#include "document/mapdocument.h"
#include "palette/palettepane.h"
#include "palette/tilesetwidget.h"
#include "support/canvasdriver.h"
#include "support/modalanswerer.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

// Tile sets as files on disk: read again when they change, found beside the
// map that names them, and pointed at a new file when missing. A reload is
// waited for, never timed.
class TestTileSetFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void reload_data();
    void reload();
    void setsFoundBesideTheMap_data();
    void setsFoundBesideTheMap();
    void locateMissingSet_data();
    void locateMissingSet();

private:
    std::unique_ptr<QTemporaryDir> folder;
    QString previousFolder;
};

namespace {

constexpr int Patience = 10000; // ms

// The test tile set cut to `columns` tiles; mirrored, so that it differs
// from the original also at its width.
QImage sheet(int columns)
{
    return testTileSetImage().mirrored(true, false).copy(0, 0, columns * 40, 120);
}

// A 2 x 2 map whose top-left cell holds tile 6 of `set`: column 1, row 1 of
// a grid 5 tiles wide.
void writeMap(const QString& path, const QString& set)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("1\n%1\n2 2\n0 6 0\n-1 -1 0\n-1 -1 0\n-1 -1 0\n").arg(set).toLatin1()
               + QByteArray("-1 -1 0\n").repeated(4));
}

int topLeftTile(const MapDocument& document)
{
    return document.map().cells(Layer::Top).at(0, 0).tileIndex;
}

} // namespace

void TestTileSetFiles::init()
{
    folder = std::make_unique<QTemporaryDir>();
    previousFolder = QDir::currentPath();
    QVERIFY(QDir(folder->path()).mkpath(QStringLiteral("maps/tiles")));
    QDir::setCurrent(folder->path());
    QVERIFY(testTileSetImage().save(QStringLiteral("maps/tiles/a.png")));
}

void TestTileSetFiles::cleanup()
{
    QDir::setCurrent(previousFolder);
    folder.reset();
}

void TestTileSetFiles::reload_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("answer"); // to the width question; 0 when none is asked
    QTest::addColumn<int>("tile"); // in the top-left cell afterwards

    QTest::newRow("written in place, same width") << "write" << 5 << 0 << 6;
    QTest::newRow("replaced by a rename, same width") << "rename" << 5 << 0 << 6;
    QTest::newRow("removed and written again, same width") << "remove" << 5 << 0 << 6;
    QTest::newRow("written wider, renumbered") << "write" << 7 << int(QMessageBox::Yes) << 8;
    QTest::newRow("replaced narrower by a rename, renumbered") << "rename" << 4 << int(QMessageBox::Yes) << 5;
    QTest::newRow("replaced wider by a rename, numbers kept") << "rename" << 7 << int(QMessageBox::No) << 6;
}

void TestTileSetFiles::reload()
{
    QFETCH(QString, how);
    QFETCH(int, columns);
    QFETCH(int, answer);
    QFETCH(int, tile);
    QDir::setCurrent(QStringLiteral("maps"));
    writeMap(QStringLiteral("m.map"), QStringLiteral("tiles/a.png"));
    MainWindow window;
    auto* document = window.findChild<MapDocument*>();
    auto* palette = window.findChild<TileSetWidget*>();
    QString error;
    QList<FileProblem> unloaded;
    QVERIFY(document->importMap(QStringLiteral("m.map"), &error, &unloaded));
    const qint64 before = document->map().tileSetImage(0)->cacheKey();

    ModalAnswerer answerer;
    answerer.expect(answer ? pressButton(answer) : closeAnything());
    const QString set = QStringLiteral("tiles/a.png");
    if (how == QLatin1String("write")) {
        QFile file(set);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QVERIFY(sheet(columns).save(&file, "PNG"));
    } else {
        QVERIFY(sheet(columns).save(QStringLiteral("new.png")));
        if (how == QLatin1String("remove"))
            QVERIFY(QFile::remove(set));
        QCOMPARE(std::rename("new.png", "tiles/a.png"), 0);
    }
    QTRY_VERIFY_WITH_TIMEOUT(document->map().tileSetImage(0)->cacheKey() != before, Patience);
    QTRY_COMPARE_WITH_TIMEOUT(topLeftTile(*document), tile, Patience);
    // Both views show the new picture; the reload itself is no step.
    QCOMPARE(palette->gridSize().width(), columns);
    QCOMPARE(document->map().drawnImage(0)->width(), columns * 40);
    QCOMPARE(answerer.seenCount(), answer ? 1 : 0);
    const bool renumbered = tile != 6;
    QCOMPARE(document->isModified(), renumbered);
    QCOMPARE(document->history().stepCount(), renumbered ? 2 : 1);
    const qint64 reloaded = document->map().tileSetImage(0)->cacheKey();
    if (renumbered) {
        document->history().undo();
        QCOMPARE(topLeftTile(*document), 6);
        QVERIFY(!document->isModified());
    }
    // The import kept the image it loaded; undoing and redoing it brings
    // back the image on disk.
    document->history().undo();
    document->history().redo();
    QCOMPARE(document->map().tileSetImage(0)->cacheKey(), reloaded);
}

void TestTileSetFiles::setsFoundBesideTheMap_data()
{
    QTest::addColumn<bool>("atStart");
    QTest::newRow("imported: the current folder stays") << false;
    QTest::newRow("opened at start: the map's folder becomes current") << true;
}

void TestTileSetFiles::setsFoundBesideTheMap()
{
    QFETCH(bool, atStart);
    writeMap(QStringLiteral("maps/m.map"), QStringLiteral("tiles/a.png"));
    const QString root = QDir::currentPath();
    MainWindow window;
    auto* document = window.findChild<MapDocument*>();
    ModalAnswerer answerer;
    answerer.expect(closeAnything());
    QString error;
    QList<FileProblem> unloaded;
    if (atStart)
        window.openMap(QStringLiteral("maps/m.map"));
    else
        QVERIFY(document->importMap(QStringLiteral("maps/m.map"), &error, &unloaded));
    QCOMPARE(answerer.seenCount(), 0);
    QCOMPARE(document->map().tileSetNames(), QStringList { "tiles/a.png" });
    QCOMPARE(document->map().tileSetFile(0), root + QStringLiteral("/maps/tiles/a.png"));
    QCOMPARE(QDir::currentPath(), atStart ? root + QStringLiteral("/maps") : root);
    QVERIFY(!document->isModified());
}

void TestTileSetFiles::locateMissingSet_data()
{
    QTest::addColumn<bool>("fromPalette");
    QTest::newRow("from the message after the import") << false;
    QTest::newRow("from the palette's list of sets") << true;
}

void TestTileSetFiles::locateMissingSet()
{
    QFETCH(bool, fromPalette);
    writeMap(QStringLiteral("m.map"), QStringLiteral("gone/a.png"));
    MainWindow window;
    auto* document = window.findChild<MapDocument*>();
    QComboBox* chooser = window.findChild<PalettePane*>()->chooser();
    ModalAnswerer answerer;
    answerer.expectMessageBox(fromPalette ? QMessageBox::Ok : QMessageBox::Open);
    answerer.expect(answerFileDialog(QDir::current().absoluteFilePath(QStringLiteral("maps/tiles/a.png"))));
    window.openMap(QStringLiteral("m.map"));
    if (fromPalette) {
        QCOMPARE(chooser->itemText(0), QStringLiteral("Locate gone/a.png..."));
        QVERIFY(!document->isModified());
        emit chooser->activated(0);
    }
    VERIFY_ANSWERED(answerer);
    QVERIFY(answerer.allAnswered());
    QCOMPARE(document->map().tileSetNames(), QStringList { "maps/tiles/a.png" });
    QCOMPARE(document->map().tile(Layer::Top, 0, 0).tileSetFile, QStringLiteral("maps/tiles/a.png"));
    QCOMPARE(document->map().missingTileSets(), QStringList());
    QCOMPARE(chooser->count(), 1);
    QVERIFY(document->isModified());
}

QTEST_MAIN(TestTileSetFiles)
#include "tst_tilesetfiles.moc"

#include "mapcli/mapcommand.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

// varnhold-map check and the command line around it: the lines a map file
// gets, with the file's own line numbers, and the exit statuses. Tile sets
// lie in a temporary folder that is the current directory, as the editor
// and the checker resolve tile-set names against it.
class TestMapCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void reports_data();
    void reports();
    void commandLines_data();
    void commandLines();

private:
    QTemporaryDir folder;
    QString startFolder;
};

namespace {

struct Run
{
    int status;
    QString out;
    QString err;
};

Run run(const QStringList& arguments)
{
    Run result;
    QTextStream out(&result.out), err(&result.err);
    result.status = runMapCommand(arguments, out, err);
    out.flush();
    err.flush();
    return result;
}

void writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Two whole tiles beside each other.
const char* const soundMap = "1\ntiles.png\n2 1\n0 1 1\n-1 -1 0\n0 0 0\n0 1 0\n";

} // namespace

void TestMapCheck::initTestCase()
{
    QVERIFY(folder.isValid());
    startFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
    QImage tiles(80, 50, QImage::Format_RGB32);
    tiles.fill(Qt::darkGreen);
    QVERIFY(tiles.save(QStringLiteral("tiles.png")));
    QImage small(30, 60, QImage::Format_RGB32);
    small.fill(Qt::red);
    QVERIFY(small.save(QStringLiteral("small.png")));
    writeFile(QStringLiteral("sound.map"), soundMap);
    QVERIFY(QDir().mkdir(QStringLiteral("folder.map")));
}

void TestMapCheck::cleanupTestCase()
{
    QDir::setCurrent(startFolder);
}

void TestMapCheck::reports_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("sound file") << QByteArray(soundMap) << QStringList();
    QTest::newRow("cut short: the line where the file ends")
        << QByteArray("1\ntiles.png\n2 1\n0 1 1\n")
        << QStringList { "m.map:5: expected a set index (-1 to 0), found the end of the file" };
    QTest::newRow("bad pass flag on its line")
        << QByteArray("1\ntiles.png\n2 1\n0 1 1\n-1 -1 0\n0 0 2\n0 1 0\n")
        << QStringList { "m.map:6: expected a pass flag (0 or 1), found \"2\"" };
    QTest::newRow("tile set that does not load, on the line of its name")
        << QByteArray("2\ntiles.png\ngone.png\n2 1\n1 0 0\n1 3 0\n-1 -1 0\n0 0 0\n")
        << QStringList {
               "m.map:3: tile set \"gone.png\" cannot be loaded: the file does not exist; 2 cells use it"
           };
    QTest::newRow("names and cells on one line")
        << QByteArray("1 gone.png 1 1 0 0 0 -1 -1 0")
        << QStringList {
               "m.map:1: tile set \"gone.png\" cannot be loaded: the file does not exist; 1 cell uses it"
           };
    QTest::newRow("CR LF line ends count once")
        << QByteArray("1\r\ntiles.png\r\n2 1\r\n0 1 1\r\n0 2 0\r\n-1 -1 0\r\n-1 -1 0\r\n")
        << QStringList { "m.map:5: top layer, cell (1, 0): tile 2 lies beyond the 2 whole tiles of tile set "
                         "\"tiles.png\"" };
    QTest::newRow("CR line ends count too")
        << QByteArray("1\rtiles.png\r2 1\r0 1 1\r0 2 0\r-1 -1 0\r-1 -1 0\r")
        << QStringList { "m.map:5: top layer, cell (1, 0): tile 2 lies beyond the 2 whole tiles of tile set "
                         "\"tiles.png\"" };
    QTest::newRow("image narrower than a tile")
        << QByteArray("1\nsmall.png\n1 1\n-1 -1 0\n0 0 0\n")
        << QStringList { "m.map:2: tile set \"small.png\" cannot be loaded: the image is 30 x 60 pixels, "
                         "smaller than one 40 x 40 tile; 1 cell uses it" };
    QTest::newRow("tile without a tile set, in the bottom layer")
        << QByteArray("0\n1 2\n-1 -1 0\n-1 -1 1\n-1 -1 0\n-1 7 0\n")
        << QStringList {
               "m.map:6: bottom layer, cell (0, 1): tile 7 has no tile set (set index -1), so the cell "
               "is read as empty"
           };
    QTest::newRow("same name twice is one set")
        << QByteArray("2\ngone.png\ngone.png\n1 1\n1 0 0\n0 0 0\n")
        << QStringList {
               "m.map:2: tile set \"gone.png\" cannot be loaded: the file does not exist; 2 cells use it"
           };

    QByteArray many = "1\ntiles.png\n5 5\n";
    for (int cell = 0; cell < 50; ++cell)
        many += "0 9 0\n";
    QStringList manyLines;
    for (int cell = 0; cell < 20; ++cell)
        manyLines << QStringLiteral(
                         "m.map:%1: top layer, cell (%2, %3): tile 9 lies beyond the 2 whole tiles of "
                         "tile set \"tiles.png\"")
                         .arg(4 + cell)
                         .arg(cell % 5)
                         .arg(cell / 5);
    manyLines << QStringLiteral("m.map: 30 more cells with problems like these are not listed");
    QTest::newRow("first 20 cell problems listed, the rest counted") << many << manyLines;
}

void TestMapCheck::reports()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, lines);
    writeFile(QStringLiteral("m.map"), content);
    const Run result = run({ QStringLiteral("check"), QStringLiteral("m.map") });
    const QStringList reported = result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(reported, lines);
    QCOMPARE(result.status, lines.isEmpty() ? 0 : 1);
    QCOMPARE(result.err, QString());
}

void TestMapCheck::commandLines_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    QTest::newRow("sound files") << QStringList { "check", "sound.map", "sound.map" } << 0 << QString()
                                 << QString();
    QTest::newRow("one missing file among sound ones")
        << QStringList { "check", "sound.map", "nothere.map" } << 1
        << "nothere.map: cannot be read: the file does not exist" << QString();
    QTest::newRow("a folder") << QStringList { "check", "folder.map" } << 1
                              << "folder.map: cannot be read: it is a folder" << QString();
    QTest::newRow("no command") << QStringList() << 2 << QString() << "varnhold-map: no command given";
    QTest::newRow("unknown command") << QStringList { "draw" } << 2 << QString()
                                     << "varnhold-map: unknown command 'draw'";
    QTest::newRow("check without files")
        << QStringList { "check" } << 2 << QString() << "varnhold-map check: no map file given";
    QTest::newRow("unknown option") << QStringList { "check", "--quiet", "sound.map" } << 2 << QString()
                                    << "varnhold-map check: Unknown option 'quiet'.";
    QTest::newRow("render without output") << QStringList { "render", "sound.map" } << 2 << QString()
                                           << "varnhold-map render: no output file given (-o OUT.png)";
    QTest::newRow("render two maps") << QStringList { "render", "sound.map", "sound.map", "-o", "x.png" } << 2
                                     << QString() << "varnhold-map render: one map file at a time";
    QTest::newRow("zoom below the canvas's")
        << QStringList { "render", "sound.map", "-o", "x.png", "--zoom", "0.05" } << 2 << QString()
        << "the zoom must be a number from 0.1 to 1.0";
    QTest::newRow("zoom not a number") << QStringList { "render", "sound.map", "-o", "x.png", "--zoom=big" }
                                       << 2 << QString() << "not 'big'";
    QTest::newRow("unknown layer") << QStringList {
        "render", "sound.map", "-o", "x.png", "--layer", "middle"
    } << 2 << QString() << "--layer takes top, bottom or both, not 'middle'";
    QTest::newRow("export without output") << QStringList { "export", "sound.map" } << 2 << QString()
                                           << "varnhold-map export: no output file given (-o OUT.tmx)";
    QTest::newRow("help") << QStringList { "--help" } << 0 << "Usage: varnhold-map COMMAND" << QString();
    QTest::newRow("help of a command") << QStringList { "export", "--help" } << 0
                                       << "Usage: varnhold-map export FILE -o OUT.tmx" << QString();
    QTest::newRow("render into a missing folder")
        << QStringList { "render", "sound.map", "-o", "nowhere/x.png" } << 1 << QString()
        << "nowhere/x.png: cannot be written: its folder does not exist";
    QTest::newRow("render onto the map file")
        << QStringList { "render", "sound.map", "-o", "./sound.map" } << 1 << QString()
        << "./sound.map: cannot be written: it is the map file";
    QTest::newRow("export onto a tile-set image")
        << QStringList { "export", "sound.map", "-o", "tiles.png" } << 1 << QString()
        << "tiles.png: cannot be written: it is the image of the map's tile set \"tiles.png\"";
    QTest::newRow("render a broken map") << QStringList { "render", "folder.map", "-o", "x.png" } << 1
                                         << QString() << "folder.map: cannot be read: it is a folder";
}

void TestMapCheck::commandLines()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const Run result = run(arguments);
    QCOMPARE(result.status, status);
    QVERIFY2(out.isEmpty() ? result.out.isEmpty() : result.out.contains(out), qPrintable(result.out));
    QVERIFY2(err.isEmpty() ? result.err.isEmpty() : result.err.contains(err), qPrintable(result.err));
    if (status == 2)
        QVERIFY2(result.err.contains(QLatin1String("--help'.")), qPrintable(result.err));
    // No command writes over what it reads.
    QFile map(QStringLiteral("sound.map"));
    QVERIFY(map.open(QIODevice::ReadOnly));
    QCOMPARE(map.readAll(), QByteArray(soundMap));
    QCOMPARE(QImage(QStringLiteral("tiles.png")).size(), QSize(80, 50));
}

QTEST_MAIN(TestMapCheck)
#include "tst_mapcheck.moc"

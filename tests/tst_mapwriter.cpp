#include "mapfile/mapparser.h"
#include "mapfile/mapwriter.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

MapData emptyMap(int width, int height, const QStringList& names = {})
{
    MapData data;
    data.tileSetNames = names;
    data.width = width;
    data.height = height;
    data.top.resize(size_t(width) * height);
    data.bottom.resize(size_t(width) * height);
    return data;
}

// Random names, size and records, every value in range; seeded, so that a
// failure repeats.
MapData randomMap(QRandomGenerator* random)
{
    QStringList names;
    const int count = random->bounded(0, MapData::MaxTileSets + 1);
    for (int i = 0; i < count; ++i)
        names << QStringLiteral("sets/t%1-\u00e9.png").arg(random->bounded(5));
    MapData data = emptyMap(random->bounded(1, 40), random->bounded(1, 40), names);
    for (auto* layer : { &data.top, &data.bottom }) {
        for (CellRecord& cell : *layer) {
            cell.setIndex = random->bounded(-1, count);
            cell.tileIndex
                = random->bounded(8) == 0 ? std::numeric_limits<qint32>::max() : random->bounded(-1, 300);
            cell.pass = random->bounded(2) == 1;
        }
    }
    return data;
}

// Whitespace-separated tokens of a file, as the reader sees them.
QList<QByteArray> tokensOf(const QByteArray& file)
{
    QList<QByteArray> tokens;
    for (const QByteArray& token : file.simplified().split(' '))
        tokens << token;
    return tokens;
}

} // namespace

class TestMapWriter : public QObject
{
    Q_OBJECT

private slots:
    void writesNewSet();
    void writesTwoByOneExample();
    void writesRowByRow();
    void writesNamesAsLatin1();
    void writesExtremeNumbersExactly();
    void findsNameProblems_data();
    void findsNameProblems();
    void findsDataProblems_data();
    void findsDataProblems();
    void roundTripsRandomMaps();
    void roundTripsAcceptedVariants_data();
    void roundTripsAcceptedVariants();
    void roundTripsAcceptedMutations();
};

void TestMapWriter::writesNewSet()
{
    const QByteArray file = formatMapFile(emptyMap(30, 30));
    QByteArray expected = "0\n30 30\n";
    for (int i = 0; i < 1800; ++i)
        expected += "-1 -1 0\n";
    QCOMPARE(file, expected);
    QCOMPARE(file.count('\n'), 1802);
}

void TestMapWriter::writesTwoByOneExample()
{
    MapData data = emptyMap(2, 1, { "tiles/grass.png" });
    data.top[0] = { 0, 5, true };
    QCOMPARE(formatMapFile(data),
             QByteArray("1\n"
                        "tiles/grass.png\n"
                        "2 1\n"
                        "0 5 1\n"
                        "-1 -1 0\n"
                        "-1 -1 0\n"
                        "-1 -1 0\n"));
}

void TestMapWriter::writesRowByRow()
{
    // Cell (x, y) of the top layer holds tile 10 * y + x, the bottom 100 more;
    // pass is set where x == y.
    MapData data = emptyMap(5, 3, { "a.png", "b.png" });
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            data.top[y * 5 + x] = { 0, 10 * y + x, x == y };
            data.bottom[y * 5 + x] = { 1, 100 + 10 * y + x, false };
        }
    }
    QCOMPARE(formatMapFile(data),
             QByteArray("2\na.png\nb.png\n5 3\n"
                        "0 0 1\n0 1 0\n0 2 0\n0 3 0\n0 4 0\n"
                        "0 10 0\n0 11 1\n0 12 0\n0 13 0\n0 14 0\n"
                        "0 20 0\n0 21 0\n0 22 1\n0 23 0\n0 24 0\n"
                        "1 100 0\n1 101 0\n1 102 0\n1 103 0\n1 104 0\n"
                        "1 110 0\n1 111 0\n1 112 0\n1 113 0\n1 114 0\n"
                        "1 120 0\n1 121 0\n1 122 0\n1 123 0\n1 124 0\n"));
}

void TestMapWriter::writesNamesAsLatin1()
{
    const QByteArray file = formatMapFile(emptyMap(1, 1, { QStringLiteral("caf\u00e9.png") }));
    QVERIFY(file.startsWith("1\ncaf\xe9.png\n1 1\n"));
}

void TestMapWriter::writesExtremeNumbersExactly()
{
    // Out of range for a map, yet formatting must neither cut nor overrun them.
    MapData data = emptyMap(2, 1);
    data.top[0] = { std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(), true };
    data.bottom[1] = { 1234567890, std::numeric_limits<qint32>::min(), false };
    QCOMPARE(formatMapFile(data),
             QByteArray("0\n2 1\n"
                        "-2147483648 2147483647 1\n"
                        "-1 -1 0\n"
                        "-1 -1 0\n"
                        "1234567890 -2147483648 0\n"));
}

void TestMapWriter::findsNameProblems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problem");
    const QString space = "the name holds white space";
    QTest::newRow("plain relative path") << "tiles/grass.png" << QString();
    QTest::newRow("Latin-1 letters") << QStringLiteral("\u00e9t\u00e9.png") << QString();
    QTest::newRow("no-break space is not a separator") << QStringLiteral("a\u00a0b") << QString();
    QTest::newRow("empty") << QString() << "the name is empty";
    QTest::newRow("space") << "my tiles.png" << space;
    QTest::newRow("tab") << "a\tb" << space;
    QTest::newRow("newline") << "a\nb" << space;
    QTest::newRow("carriage return") << "a\r" << space;
    QTest::newRow("vertical tab") << "\va" << space;
    QTest::newRow("form feed") << "a\fb" << space;
    QTest::newRow("outside Latin-1") << QStringLiteral("\u0109.png")
                                     << "the name holds a character outside Latin-1";
}

void TestMapWriter::findsNameProblems()
{
    QFETCH(QString, name);
    QFETCH(QString, problem);
    QCOMPARE(tileSetNameProblem(name), problem);
}

void TestMapWriter::findsDataProblems_data()
{
    QTest::addColumn<MapData>("data");
    QTest::addColumn<QString>("problem");

    QTest::newRow("valid") << emptyMap(3, 2, { "a.png" }) << QString();
    QTest::newRow("bad name named") << emptyMap(3, 2, { "a.png", "b c.png" })
                                    << "tile set \"b c.png\": the name holds white space";
    QStringList many;
    for (int i = 0; i < 41; ++i)
        many << QStringLiteral("s%1").arg(i);
    QTest::newRow("41 tile sets") << emptyMap(1, 1, many) << "the map uses 41 tile sets, more than 40";
    QTest::newRow("width 0") << emptyMap(0, 2) << "the map size 0 x 2 is outside 1 to 1024";
    QTest::newRow("height 1025") << emptyMap(1, 1025) << "the map size 1 x 1025 is outside 1 to 1024";
    MapData shortLayer = emptyMap(3, 2);
    shortLayer.bottom.pop_back();
    QTest::newRow("layer too short") << shortLayer << "the bottom layer holds 5 cells instead of 3 x 2";
    MapData setOut = emptyMap(3, 2, { "a.png" });
    setOut.top[4].setIndex = 1;
    QTest::newRow("set index past the list") << setOut << "cell (1, 1) of the top layer holds set 1, tile -1";
    MapData tileOut = emptyMap(3, 2);
    tileOut.bottom[2].tileIndex = -2;
    QTest::newRow("tile index below -1")
        << tileOut << "cell (2, 0) of the bottom layer holds set -1, tile -2";
}

void TestMapWriter::findsDataProblems()
{
    QFETCH(MapData, data);
    QFETCH(QString, problem);
    QCOMPARE(mapDataProblem(data), problem);
}

void TestMapWriter::roundTripsRandomMaps()
{
    QRandomGenerator random(20240611);
    for (int run = 0; run < 200; ++run) {
        const MapData data = randomMap(&random);
        QVERIFY(mapDataProblem(data).isEmpty());
        MapData read;
        QString error;
        QVERIFY2(parseMapFile(formatMapFile(data), &read, &error), qPrintable(error));
        QVERIFY2(read == data, qPrintable(QString("run %1").arg(run)));
    }
}

void TestMapWriter::roundTripsAcceptedVariants_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("canonical");
    QTest::newRow("leading zeros") << QByteArray("01\na\n002 1\n00 0005 01\n-01 -1 0\n-1 -1 0\n-1 -1 0\n")
                                   << QByteArray("1\na\n2 1\n0 5 1\n-1 -1 0\n-1 -1 0\n-1 -1 0\n");
    QTest::newRow("minus zero") << QByteArray("0\n1 1\n-1 -0 -0\n-1 -1 0\n")
                                << QByteArray("0\n1 1\n-1 0 0\n-1 -1 0\n");
    QTest::newRow("one line, CR LF end")
        << QByteArray("1 a 1 1 0 5 1 -1 -1 0\r\n") << QByteArray("1\na\n1 1\n0 5 1\n-1 -1 0\n");
}

void TestMapWriter::roundTripsAcceptedVariants()
{
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, canonical);
    MapData first;
    QString error;
    QVERIFY2(parseMapFile(file, &first, &error), qPrintable(error));
    QCOMPARE(formatMapFile(first), canonical);
    MapData second;
    QVERIFY2(parseMapFile(formatMapFile(first), &second, &error), qPrintable(error));
    QVERIFY(second == first);
}

void TestMapWriter::roundTripsAcceptedMutations()
{
    // Every token of a valid file replaced in turn by each of these: whatever
    // the reader accepts must write back to a file that reads the same.
    const QByteArray base = "3\na.png\nb.png\na.png\n2 2\n"
                            "0 5 1\n2 -1 0\n1 7 0\n-1 -1 1\n"
                            "-1 4 0\n0 0 0\n2 9 1\n1 1 1\n";
    const QList<QByteArray> replacements
        = { "0",    "1",          "2",          "3",  "-1", "-2", "40", "41",  "1024",
            "1025", "2147483647", "2147483648", "+1", "x",  "1x", "",   "0 0", "\xe9" };
    const QList<QByteArray> tokens = tokensOf(base);
    int accepted = 0;
    int refused = 0;
    for (int i = 0; i < tokens.size(); ++i) {
        for (const QByteArray& replacement : replacements) {
            QList<QByteArray> mutated = tokens;
            mutated[i] = replacement;
            const QByteArray file = mutated.join('\n');
            MapData first;
            QString error;
            if (!parseMapFile(file, &first, &error)) {
                QVERIFY2(error.startsWith("line "), qPrintable(error));
                ++refused;
                continue;
            }
            ++accepted;
            QVERIFY(mapDataProblem(first).isEmpty());
            MapData second;
            QVERIFY2(parseMapFile(formatMapFile(first), &second, &error), qPrintable(error));
            QVERIFY2(second == first, file.constData());
        }
    }
    QVERIFY(accepted > 0);
    QVERIFY(refused > 0);
}

QTEST_GUILESS_MAIN(TestMapWriter)
#include "tst_mapwriter.moc"

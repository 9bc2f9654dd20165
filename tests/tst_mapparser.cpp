#include "mapfile/mapparser.h"

#include <QtTest>

namespace {

// Two tile sets, a 2 x 2 map, cells of every kind in both layers.
const QByteArray validFile = "2\n"
                             "tiles/grass.png\n"
                             "tiles/wall.png\n"
                             "2 2\n"
                             "0 5 1\n"
                             "-1 -1 0\n"
                             "1 0 0\n"
                             "-1 -1 1\n"
                             "1 12 0\n"
                             "0 3 1\n"
                             "-1 7 0\n"
                             "-1 -1 0\n";

MapData validData()
{
    MapData data;
    data.tileSetNames = { "tiles/grass.png", "tiles/wall.png" };
    data.width = 2;
    data.height = 2;
    data.top = { { 0, 5, true }, { -1, -1, false }, { 1, 0, false }, { -1, -1, true } };
    data.bottom = { { 1, 12, false }, { 0, 3, true }, { -1, 7, false }, { -1, -1, false } };
    return data;
}

// What a failed parse must leave behind: exactly what was there.
MapData sentinel()
{
    MapData data;
    data.tileSetNames = { "untouched" };
    data.width = 1;
    data.height = 1;
    data.top = { { 0, 9, true } };
    data.bottom = { { -1, -1, true } };
    return data;
}

// A one-set 2 x 1 map whose first top record is "set tile pass" as given.
QByteArray withFirstRecord(const QByteArray& set, const QByteArray& tile, const QByteArray& pass)
{
    return "1\na.png\n2 1\n" + set + ' ' + tile + ' ' + pass + "\n-1 -1 0\n-1 -1 0\n-1 -1 0\n";
}

QByteArray withSize(const QByteArray& width, const QByteArray& height)
{
    return "0\n" + width + ' ' + height + '\n';
}

QByteArray emptyRecords(qint64 count)
{
    QByteArray records;
    for (qint64 i = 0; i < count; ++i)
        records += "-1 -1 0\n";
    return records;
}

QByteArray withTileSets(int count)
{
    QByteArray file = QByteArray::number(count) + '\n';
    for (int i = 0; i < count; ++i)
        file += "set" + QByteArray::number(i) + ".png\n";
    return file + "1 1\n-1 -1 0\n-1 -1 0\n";
}

// What the parser expects at token `index` of validFile.
QString expectedAt(int index)
{
    const int names = 2;
    if (index == 0)
        return "the number of tile sets";
    if (index <= names)
        return "a tile-set name";
    if (index == names + 1)
        return "the map width";
    if (index == names + 2)
        return "the map height";
    static const char* const fields[]
        = { "a set index (-1 to 1)", "a tile index (-1 or more)", "a pass flag (0 or 1)" };
    return fields[(index - names - 3) % 3];
}

} // namespace

class TestMapParser : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryField();
    void readsLayerOrder();
    void ignoresLineLayout_data();
    void ignoresLineLayout();
    void refusesEveryPrefix_data();
    void refusesEveryPrefix();
    void checksEachLimit_data();
    void checksEachLimit();
    void refusesBadTokens_data();
    void refusesBadTokens();
    void refusesTrailingText_data();
    void refusesTrailingText();
    void reportsFirstFaultOfShortFile();
    void linesCountedWithEveryLineEnd_data();
    void linesCountedWithEveryLineEnd();
    void readsLatin1Names();
    void readsNumbersOfEveryLength_data();
    void readsNumbersOfEveryLength();
};

void TestMapParser::readsEveryField()
{
    MapData data;
    QString error;
    QVERIFY2(parseMapFile(validFile, &data, &error), qPrintable(error));
    QCOMPARE(data.tileSetNames, validData().tileSetNames);
    QCOMPARE(data.width, 2);
    QCOMPARE(data.height, 2);
    QVERIFY(data.top == validData().top);
    QVERIFY(data.bottom == validData().bottom);
}

void TestMapParser::readsLayerOrder()
{
    // 5 x 3: top tile of cell (x, y) is 10 * y + x, bottom is 100 more.
    QByteArray file = "1\nt.png\n5 3\n";
    for (int layer = 0; layer < 2; ++layer)
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                file += "0 " + QByteArray::number(100 * layer + 10 * y + x) + " 0\n";
    MapData data;
    QString error;
    QVERIFY2(parseMapFile(file, &data, &error), qPrintable(error));
    QCOMPARE(data.width, 5);
    QCOMPARE(data.height, 3);
    QCOMPARE(int(data.top.size()), 15);
    QCOMPARE(int(data.bottom.size()), 15);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) {
            QCOMPARE(data.top[y * 5 + x].tileIndex, 10 * y + x);
            QCOMPARE(data.bottom[y * 5 + x].tileIndex, 100 + 10 * y + x);
        }
    }
}

void TestMapParser::ignoresLineLayout_data()
{
    QTest::addColumn<QByteArray>("file");
    QByteArray oneLine = validFile;
    oneLine.replace('\n', ' ');
    QByteArray crLf = validFile;
    crLf.replace("\n", "\r\n");
    QByteArray tabs = validFile;
    tabs.replace(' ', '\t');
    QByteArray ragged = validFile;
    ragged.replace("\n", " \n\n  ");
    QTest::newRow("all tokens on one line") << oneLine;
    QTest::newRow("CR LF line ends") << crLf;
    QTest::newRow("tabs between fields") << tabs;
    QTest::newRow("blank lines and extra spaces") << ragged;
    QTest::newRow("no newline at the end") << validFile.chopped(1);
    QTest::newRow("white space before the first token") << " \r\n\t" + validFile;
    QTest::newRow("vertical tab and form feed")
        << QByteArray(validFile).replace("\n-1 -1 0\n", "\v-1 -1 0\f");
    QTest::newRow("CR line ends") << QByteArray(validFile).replace('\n', '\r');
    QTest::newRow("a UTF-8 byte-order mark first") << "\xEF\xBB\xBF" + validFile;
}

void TestMapParser::ignoresLineLayout()
{
    QFETCH(QByteArray, file);
    MapData data;
    QString error;
    QVERIFY2(parseMapFile(file, &data, &error), qPrintable(error));
    QVERIFY(data == validData());
}

void TestMapParser::refusesEveryPrefix_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("expected");

    int index = 0;
    qsizetype pos = 0;
    for (;;) {
        while (pos < validFile.size() && isMapFileSeparator(validFile[pos]))
            ++pos;
        if (pos == validFile.size())
            break;
        // Cut right after the previous token, then with its separators kept.
        qsizetype tokenStart = pos;
        qsizetype previousEnd = tokenStart;
        while (previousEnd > 0 && isMapFileSeparator(validFile[previousEnd - 1]))
            --previousEnd;
        for (const qsizetype cut : { previousEnd, tokenStart }) {
            const QByteArray prefix = validFile.left(cut);
            QTest::addRow("cut before token %d (%s)%s", index, qPrintable(expectedAt(index)),
                          cut == tokenStart ? ", separator kept" : "")
                << prefix << int(prefix.count('\n')) + 1 << expectedAt(index);
        }
        while (pos < validFile.size() && !isMapFileSeparator(validFile[pos]))
            ++pos;
        ++index;
    }
    QCOMPARE(index, 1 + 2 + 2 + 2 * 4 * 3);
}

void TestMapParser::refusesEveryPrefix()
{
    QFETCH(QByteArray, file);
    QFETCH(int, line);
    QFETCH(QString, expected);
    MapData data = sentinel();
    QString error;
    QVERIFY(!parseMapFile(file, &data, &error));
    QVERIFY2(error.startsWith(QStringLiteral("line %1: expected %2").arg(line).arg(expected)),
             qPrintable(error));
    QVERIFY2(error.endsWith("found the end of the file"), qPrintable(error));
    QVERIFY(data == sentinel());
}

void TestMapParser::checksEachLimit_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("error");

    QTest::newRow("records in the fewest bytes accepted")
        << QByteArray("1\na\n1 1 0 0 0 0 0 0") << true << QString();
    QTest::newRow("0 tile sets accepted") << withTileSets(0) << true << QString();
    QTest::newRow("40 tile sets accepted") << withTileSets(40) << true << QString();
    QTest::newRow("41 tile sets refused")
        << withTileSets(41) << false
        << QString("line 1: expected the number of tile sets (0 to 40), found \"41\"");
    QTest::newRow("-1 tile sets refused")
        << QByteArray("-1\n1 1\n-1 -1 0\n-1 -1 0\n") << false
        << QString("line 1: expected the number of tile sets (0 to 40), found \"-1\"");

    QTest::newRow("width 1 accepted") << withSize("1", "1") + emptyRecords(2) << true << QString();
    QTest::newRow("width 0 refused") << withSize("0", "1") + emptyRecords(2) << false
                                     << QString("line 2: expected the map width (1 to 1024), found \"0\"");
    QTest::newRow("width 1024 accepted") << withSize("1024", "1") + emptyRecords(2048) << true << QString();
    QTest::newRow("width 1025 refused")
        << withSize("1025", "1") + emptyRecords(2050) << false
        << QString("line 2: expected the map width (1 to 1024), found \"1025\"");
    QTest::newRow("height 1 accepted") << withSize("1", "1") + emptyRecords(2) << true << QString();
    QTest::newRow("height 0 refused")
        << withSize("1", "0") << false << QString("line 2: expected the map height (1 to 1024), found \"0\"");
    QTest::newRow("height 1024 accepted") << withSize("1", "1024") + emptyRecords(2048) << true << QString();
    QTest::newRow("height 1025 refused")
        << withSize("1", "1025") + emptyRecords(2050) << false
        << QString("line 2: expected the map height (1 to 1024), found \"1025\"");

    QTest::newRow("set index -1 accepted") << withFirstRecord("-1", "4", "0") << true << QString();
    QTest::newRow("set index n-1 accepted") << withFirstRecord("0", "4", "0") << true << QString();
    QTest::newRow("set index n refused") << withFirstRecord("1", "4", "0") << false
                                         << QString("line 4: expected a set index (-1 to 0), found \"1\"");
    QTest::newRow("set index -2 refused") << withFirstRecord("-2", "4", "0") << false
                                          << QString("line 4: expected a set index (-1 to 0), found \"-2\"");
    QTest::newRow("set index 0 refused without tile sets")
        << QByteArray("0\n1 1\n0 0 0\n-1 -1 0\n") << false
        << QString("line 3: expected a set index (-1, as the file lists no tile set), found \"0\"");

    QTest::newRow("tile -1 accepted") << withFirstRecord("0", "-1", "0") << true << QString();
    QTest::newRow("tile int32 max accepted") << withFirstRecord("0", "2147483647", "0") << true << QString();
    QTest::newRow("tile -2 refused") << withFirstRecord("0", "-2", "0") << false
                                     << QString("line 4: expected a tile index (-1 or more), found \"-2\"");
    QTest::newRow("tile above int32 refused")
        << withFirstRecord("0", "2147483648", "0") << false
        << QString("line 4: expected a tile index (-1 or more), found \"2147483648\"");

    QTest::newRow("pass 0 accepted") << withFirstRecord("0", "1", "0") << true << QString();
    QTest::newRow("pass 1 accepted") << withFirstRecord("0", "1", "1") << true << QString();
    QTest::newRow("pass 2 refused") << withFirstRecord("0", "1", "2") << false
                                    << QString("line 4: expected a pass flag (0 or 1), found \"2\"");
    QTest::newRow("pass -1 refused") << withFirstRecord("0", "1", "-1") << false
                                     << QString("line 4: expected a pass flag (0 or 1), found \"-1\"");
}

void TestMapParser::checksEachLimit()
{
    QFETCH(QByteArray, file);
    QFETCH(bool, accepted);
    QFETCH(QString, error);
    MapData data = sentinel();
    QString message;
    QCOMPARE(parseMapFile(file, &data, &message), accepted);
    if (accepted) {
        QVERIFY2(message.isEmpty(), qPrintable(message));
        QVERIFY(data != sentinel());
        QCOMPARE(qint64(data.top.size()), qint64(data.width) * data.height);
        QCOMPARE(data.bottom.size(), data.top.size());
    } else {
        QCOMPARE(message, error);
        QVERIFY(data == sentinel());
    }
}

void TestMapParser::refusesBadTokens_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("error");

    const QString count = "line 1: expected the number of tile sets (0 to 40), found \"%1\"";
    const QString width = "line 2: expected the map width (1 to 1024), found \"%1\"";
    const QString set = "line 4: expected a set index (-1 to 0), found \"%1\"";
    const QString tile = "line 4: expected a tile index (-1 or more), found \"%1\"";
    const QString pass = "line 4: expected a pass flag (0 or 1), found \"%1\"";

    QTest::newRow("plus sign") << QByteArray("+1\na\n1 1\n-1 -1 0\n-1 -1 0\n") << count.arg("+1");
    QTest::newRow("letters") << QByteArray("one\n1 1\n") << count.arg("one");
    QTest::newRow("trailing letter") << withSize("2x", "1") << width.arg("2x");
    QTest::newRow("leading letter") << withSize("x2", "1") << width.arg("x2");
    QTest::newRow("hexadecimal") << withSize("0x2", "1") << width.arg("0x2");
    QTest::newRow("decimal point") << withSize("2.0", "1") << width.arg("2.0");
    QTest::newRow("exponent") << withSize("1e3", "1") << width.arg("1e3");
    QTest::newRow("lone minus") << withFirstRecord("-", "1", "0") << set.arg("-");
    QTest::newRow("double minus") << withFirstRecord("--1", "1", "0") << set.arg("--1");
    QTest::newRow("int32 overflow") << withFirstRecord("0", "99999999999", "0") << tile.arg("99999999999");
    QTest::newRow("int32 underflow") << withFirstRecord("0", "-2147483649", "0") << tile.arg("-2147483649");
    QTest::newRow("word for a pass flag") << withFirstRecord("0", "1", "true") << pass.arg("true");
    QTest::newRow("NUL byte") << withFirstRecord("0", QByteArray("1\0", 2), "0") << tile.arg("1?");
    QTest::newRow("non-ASCII digit") << withFirstRecord("0", "\xb9", "0") << tile.arg("\u00b9");
    QTest::newRow("byte-order mark past the start") << withSize("\xef\xbb\xbf" "2", "1") << width.arg("\u00ef\u00bb\u00bf" "2");
    QTest::newRow("two byte-order marks") << "\xef\xbb\xbf\xef\xbb\xbf" + withTileSets(0)
                                          << count.arg("\u00ef\u00bb\u00bf0");
    QTest::newRow("long token cut short")
        << withFirstRecord("0", QByteArray(40, '7'), "0") << tile.arg(QString(24, '7') + "...");
}

void TestMapParser::refusesBadTokens()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, error);
    MapData data = sentinel();
    QString message;
    QVERIFY(!parseMapFile(file, &data, &message));
    QCOMPARE(message, error);
    QVERIFY(data == sentinel());
}

void TestMapParser::refusesTrailingText_data()
{
    QTest::addColumn<QByteArray>("tail");
    QTest::addColumn<QString>("error");
    QTest::newRow("a word") << QByteArray("end\n")
                            << QString("line 13: unexpected text after the last cell, found \"end\"");
    QTest::newRow("an extra record") << QByteArray("-1 -1 0\n")
                                     << QString("line 13: unexpected text after the last cell, found \"-1\"");
    QTest::newRow("after blank lines")
        << QByteArray("\n\n\r\n x") << QString("line 16: unexpected text after the last cell, found \"x\"");
    QTest::newRow("after CR line ends")
        << QByteArray("\r\r\r\n\r x") << QString("line 17: unexpected text after the last cell, found \"x\"");
    QTest::newRow("a long token, quoted in part")
        << QByteArray(5000000, 'y') << QString("line 13: unexpected text after the last cell, found \"%1...\"").arg(QString(24, QLatin1Char('y')));
    QTest::newRow("a NUL byte") << QByteArray(1, '\0')
                                << QString("line 13: unexpected text after the last cell, found \"?\"");
}

void TestMapParser::refusesTrailingText()
{
    QFETCH(QByteArray, tail);
    QFETCH(QString, error);
    MapData data = sentinel();
    QString message;
    QVERIFY(!parseMapFile(validFile + tail, &data, &message));
    QCOMPARE(message, error);
    QVERIFY(data == sentinel());
}

void TestMapParser::reportsFirstFaultOfShortFile()
{
    // Far too short for 1024 x 1024: refused before any cell is stored, yet
    // with the same message a full read would give.
    const QByteArray header = withSize("1024", "1024");
    MapData data = sentinel();
    QString message;
    QVERIFY(!parseMapFile(header + "-1 -1 0\n-1 x 0\n" + emptyRecords(10), &data, &message));
    QCOMPARE(message, QString("line 4: expected a tile index (-1 or more), found \"x\""));
    QVERIFY(!parseMapFile(header + emptyRecords(2), &data, &message));
    QCOMPARE(message,
             QString("line 5: expected a set index (-1, as the file lists no tile set), "
                     "found the end of the file"));
    QVERIFY(data == sentinel());
}

void TestMapParser::linesCountedWithEveryLineEnd_data()
{
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::newRow("LF") << QByteArray("\n");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("CR") << QByteArray("\r");
}

void TestMapParser::linesCountedWithEveryLineEnd()
{
    // The pass flag of the bottom layer's last record is on line 12.
    QFETCH(QByteArray, lineEnd);
    QByteArray file = validFile;
    file.chop(2);
    file += "7\n";
    file.replace("\n", lineEnd);
    for (const QByteArray& start : { QByteArray(), QByteArray("\xEF\xBB\xBF") }) {
        MapData data;
        QString message;
        QVERIFY(!parseMapFile(start + file, &data, &message));
        QCOMPARE(message, QString("line 12: expected a pass flag (0 or 1), found \"7\""));
    }
}

void TestMapParser::readsLatin1Names()
{
    MapData data;
    QString error;
    QVERIFY2(parseMapFile("1\ncaf\xe9.png\n1 1\n0 0 0\n-1 -1 0\n", &data, &error), qPrintable(error));
    QCOMPARE(data.tileSetNames, QStringList { QStringLiteral("caf\u00e9.png") });
}

void TestMapParser::readsNumbersOfEveryLength_data()
{
    // Short numbers are read one way, long ones another: both give the value.
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint32>("value");
    QTest::newRow("one digit") << QByteArray("7") << 7;
    QTest::newRow("leading zeros") << QByteArray("007") << 7;
    QTest::newRow("nine digits") << QByteArray("999999999") << 999999999;
    QTest::newRow("ten digits") << QByteArray("1000000000") << 1000000000;
    QTest::newRow("int32 max") << QByteArray("2147483647") << 2147483647;
    QTest::newRow("thirteen characters, most of them zeros") << QByteArray("0000000000042") << 42;
    QTest::newRow("minus zero") << QByteArray("-0") << 0;
}

void TestMapParser::readsNumbersOfEveryLength()
{
    QFETCH(QByteArray, text);
    QFETCH(qint32, value);
    MapData data;
    QString error;
    QVERIFY2(parseMapFile(withFirstRecord("0", text, "1"), &data, &error), qPrintable(error));
    QCOMPARE(data.top[0].tileIndex, value);
    QVERIFY2(parseMapFile(withFirstRecord(text == "-0" ? text : "0", "3", "1"), &data, &error), qPrintable(error));
    QCOMPARE(data.top[0].setIndex, 0);
}

QTEST_GUILESS_MAIN(TestMapParser)
#include "tst_mapparser.moc"

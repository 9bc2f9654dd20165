#include "mapcli/interop/tmxencoding.h"
#include "mapcli/mapcommand.h"
#include "mapfile/mapwriter.h"
#include "render/tilesetimage.h"
#include "support/testart.h"
#include "tmx/tiledmap.h"
#include "tmx/tmximport.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

// TMX maps written here, imported: each encoding, flips, margin and
// spacing, transparent colours, opacity, groups, infinite maps, external
// and collection tile sets, what is left out, and each refusal. A
// converted cell is checked against the tile art it should show: every
// 16-pixel art tile has four quadrants of their own colours, so that the
// quadrants say which tile, flipped which way, at which opacity.
class TestTmxImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void imports_data();
    void imports();
    void tileImageBesideItsFile_data();
    void tileImageBesideItsFile();
    void exportedMapComesBackByteForByte();
    void command_data();
    void command();

private:
    QTemporaryDir folder;
    QString startFolder;
};

// What a cell of the imported map should show: art tile `tile` (-1: an
// empty cell) with the flips of its global id, at an opacity.
struct Look
{
    bool top;
    int x;
    int y;
    int tile;
    quint32 flips = 0;
    double opacity = 1;
};
Q_DECLARE_METATYPE(QList<Look>)

namespace {

constexpr int Side = 16;
const QColor Key(255, 0, 255);

// Quadrants 0 to 3: top left, top right, bottom left, bottom right. The
// last quadrant of the last tile has the transparent colour.
QColor artColour(int tile, int quadrant)
{
    if (tile == 7 && quadrant == 3)
        return Key;
    return QColor::fromHsv((tile * 45 + quadrant * 20) % 360, 150 + 30 * quadrant, 110 + 40 * quadrant);
}

void drawArtTile(QPainter& painter, const QPoint& corner, int tile)
{
    for (int quadrant = 0; quadrant < 4; ++quadrant)
        painter.fillRect(
            QRect(corner + QPoint(quadrant % 2, quadrant / 2) * (Side / 2), QSize(Side / 2, Side / 2)),
            artColour(tile, quadrant));
}

// The eight art tiles in 4 x 2, with a margin and spacing of yellow.
QImage artSheet(int margin, int spacing)
{
    QImage image(2 * margin + 4 * Side + 3 * spacing, 2 * margin + 2 * Side + spacing, QImage::Format_RGB32);
    image.fill(Qt::yellow);
    QPainter painter(&image);
    for (int tile = 0; tile < 8; ++tile)
        drawArtTile(painter, QPoint(margin, margin) + QPoint(tile % 4, tile / 4) * (Side + spacing), tile);
    return image;
}

bool writeFile(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

const QString ArtSet = QStringLiteral("<tileset firstgid=\"1\" name=\"art\" tilewidth=\"16\" "
                                      "tileheight=\"16\"><image source=\"art.png\"/></tileset>");

QString tmx(int width, int height, const QString& body, const QString& attributes = QString())
{
    return QStringLiteral(
               "<?xml version=\"1.0\"?>\n<map version=\"1.8\" orientation=\"orthogonal\" width=\"%1\" "
               "height=\"%2\" tilewidth=\"16\" tileheight=\"16\"%3>\n%4\n</map>\n")
        .arg(width)
        .arg(height)
        .arg(attributes, body);
}

QString layer(const std::vector<quint32>& gids, int width, TmxEncoding encoding = TmxEncoding::Csv,
              const QString& attributes = QString())
{
    return QStringLiteral("<layer name=\"l\" width=\"%1\" height=\"%2\"%3>%4</layer>\n")
        .arg(width)
        .arg(gids.size() / size_t(width))
        .arg(attributes, tmxDataElement(gids, width, encoding));
}

QString chunk(int x, int y, const std::vector<quint32>& gids, int width)
{
    return QStringLiteral("<chunk x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\">%5</chunk>")
        .arg(x)
        .arg(y)
        .arg(width)
        .arg(gids.size() / size_t(width))
        .arg(tmxDataContent(gids, width, TmxEncoding::Zlib));
}

// The colour of the quadrant of a tile of the converted image, after Tiled
// flipped the art over the diagonal, then horizontally, then vertically.
QColor expectedColour(const Look& look, int quadrant)
{
    int column = quadrant % 2, row = quadrant / 2;
    if (look.flips & TmxFlipVertical)
        row = 1 - row;
    if (look.flips & TmxFlipHorizontal)
        column = 1 - column;
    if (look.flips & TmxFlipDiagonal)
        std::swap(column, row);
    QColor colour = artColour(look.tile, 2 * row + column);
    colour.setAlphaF(colour == Key ? 0 : float(look.opacity));
    return colour;
}

int runCommand(const QStringList& arguments, QString* out, QString* err)
{
    QTextStream outStream(out), errStream(err);
    return runMapCommand(arguments, outStream, errStream);
}

} // namespace

void TestTmxImport::initTestCase()
{
    QVERIFY(folder.isValid());
    startFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder.path()));
    QVERIFY(QDir().mkdir(QStringLiteral("sets")));
    QVERIFY(QDir().mkdir(QStringLiteral("out")));
    QVERIFY(artSheet(0, 0).save(QStringLiteral("art.png")));
    QVERIFY(artSheet(2, 3).save(QStringLiteral("spaced.png")));
    QImage one(Side, Side, QImage::Format_ARGB32);
    QPainter painter(&one);
    drawArtTile(painter, QPoint(0, 0), 5);
    painter.end();
    QVERIFY(one.save(QStringLiteral("sets/one.png")));
    QImage pixels(256, 256, QImage::Format_RGB32);
    pixels.fill(Qt::darkGreen);
    QVERIFY(pixels.save(QStringLiteral("pixels.png")));
    QVERIFY(ellipseTileSet(QImage::Format_ARGB32, Qt::transparent, 120).save(QStringLiteral("glass.png")));
    QVERIFY(
        ellipseTileSet(QImage::Format_RGB32, QColor(90, 140, 60), 255).save(QStringLiteral("ground.png")));
    QVERIFY(
        writeFile(QStringLiteral("sets/art.tsx"),
                  "<tileset name=\"art\" tilewidth=\"16\" tileheight=\"16\"><image source=\"../art.png\"/>"
                  "</tileset>"));
}

void TestTmxImport::cleanupTestCase()
{
    QDir::setCurrent(startFolder);
}

void TestTmxImport::imports_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("report"); // empty for a refusal
    QTest::addColumn<QString>("error"); // what a refusal says
    QTest::addColumn<QList<Look>>("looks");
    QTest::addColumn<QList<int>>("passable");

    const QString map = QStringLiteral("map.tmx");
    const auto imported = [](int width, int height, const QString& rest) {
        return QStringLiteral("Imported map.tmx: %1 x %2, %3").arg(width).arg(height).arg(rest);
    };
    const std::vector<quint32> four { 1, 2, 3, 4 };
    const QList<Look> fourLooks { { false, 0, 0, 0 }, { false, 1, 1, 3 }, { true, 1, 1, -1 } };
    const struct
    {
        const char* name;
        TmxEncoding encoding;
    } encodings[] = { { "csv", TmxEncoding::Csv },   { "base64", TmxEncoding::Base64 },
                      { "zlib", TmxEncoding::Zlib }, { "gzip", TmxEncoding::Gzip },
                      { "zstd", TmxEncoding::Zstd }, { "<tile> elements", TmxEncoding::TileElements } };
    for (const auto& encoding : encodings)
        QTest::addRow("%s", encoding.name) << map << tmx(2, 2, ArtSet + layer(four, 2, encoding.encoding))
                                           << imported(2, 2, "1 tile layer into 2, 4 tiles in map.tiles.png")
                                           << QString() << fourLooks << QList<int>();
    QTest::newRow("gzip-compressed file")
        << QStringLiteral("map.tmx.gz") << tmx(2, 2, ArtSet + layer(four, 2))
        << QStringLiteral("Imported map.tmx.gz: 2 x 2, 1 tile layer into 2, 4 "
                          "tiles in map.tiles.png")
        << QString() << fourLooks << QList<int>();

    std::vector<quint32> flipped;
    QList<Look> flippedLooks;
    for (quint32 flips = 0; flips < 8; ++flips) {
        flipped.push_back(3 | flips << 29);
        flippedLooks << Look { true, int(flips % 4), int(flips / 4), 2, flips << 29 };
    }
    QTest::newRow("every flip") << map
                                << tmx(4, 2,
                                       ArtSet + layer(std::vector<quint32>(8, 1), 4) + layer(flipped, 4))
                                << imported(4, 2, "2 tile layers into 2, 9 tiles in map.tiles.png")
                                << QString() << flippedLooks << QList<int>();

    QTest::newRow("margin and spacing")
        << map
        << tmx(2, 1,
               "<tileset firstgid=\"1\" name=\"s\" tilewidth=\"16\" tileheight=\"16\" margin=\"2\" "
               "spacing=\"3\">"
               "<image source=\"spaced.png\"/></tileset>"
                   + layer({ 6, 7 }, 2))
        << imported(2, 1, "1 tile layer into 2, 2 tiles in map.tiles.png") << QString()
        << QList<Look> { { false, 0, 0, 5 }, { false, 1, 0, 6 } } << QList<int>();
    QList<Look> keyed { { false, 0, 0, 7 } };
    QTest::newRow("transparent colour")
        << map
        << tmx(1, 1,
               "<tileset firstgid=\"1\" name=\"k\" tilewidth=\"16\" tileheight=\"16\">"
               "<image source=\"art.png\" trans=\"ff00ff\"/></tileset>"
                   + layer({ 8 }, 1))
        << imported(1, 1, "1 tile layer into 2, 1 tile in map.tiles.png") << QString() << keyed
        << QList<int>();

    QTest::newRow("layer opacity")
        << map << tmx(1, 1, ArtSet + layer({ 1 }, 1) + layer({ 2 }, 1, TmxEncoding::Zlib, " opacity=\"0.5\""))
        << imported(1, 1, "2 tile layers into 2, 2 tiles in map.tiles.png") << QString()
        << QList<Look> { { true, 0, 0, 1, 0, 0.5 } } << QList<int>();
    QTest::newRow("groups: opacity, offset, hidden")
        << map
        << tmx(3, 1,
               ArtSet + layer({ 1, 1, 1 }, 3) + "<group opacity=\"0.5\">"
                   + layer({ 2, 0, 0 }, 3, TmxEncoding::Csv, " opacity=\"0.6\"")
                   + "</group><group offsetx=\"32\" offsety=\"0\">" + layer({ 3, 0, 0 }, 3)
                   + "</group><group visible=\"0\">" + layer({ 4, 4, 4 }, 3) + "</group>")
        << imported(3, 1, "3 tile layers into 2, 3 tiles in map.tiles.png; left out: 1 hidden layer")
        << QString() << QList<Look> { { true, 0, 0, 1, 0, 0.3 }, { true, 1, 0, -1 }, { true, 2, 0, 2 } }
        << QList<int>();
    QTest::newRow("infinite map: the chunks' bounding box")
        << map
        << tmx(0, 0,
               ArtSet + "<layer name=\"l\"><data encoding=\"base64\" compression=\"zlib\">"
                   + chunk(-2, -1, { 1, 2 }, 2) + chunk(0, 0, { 3, 4 }, 2) + "</data></layer>",
               " infinite=\"1\"")
        << imported(4, 2, "1 tile layer into 2, 4 tiles in map.tiles.png") << QString()
        << QList<Look> { { false, 0, 0, 0 }, { false, 1, 0, 1 }, { false, 0, 1, -1 }, { false, 3, 1, 3 } }
        << QList<int>();
    QTest::newRow("external tile set, its image relative to it")
        << map << tmx(1, 1, "<tileset firstgid=\"5\" source=\"sets/art.tsx\"/>" + layer({ 7 }, 1))
        << imported(1, 1, "1 tile layer into 2, 1 tile in map.tiles.png") << QString()
        << QList<Look> { { false, 0, 0, 2 } } << QList<int>();
    QTest::newRow("collection of images")
        << map
        << tmx(1, 1,
               "<tileset firstgid=\"1\" name=\"c\" tilewidth=\"16\" tileheight=\"16\"><tile id=\"3\">"
               "<image source=\"sets/one.png\"/></tile></tileset>"
                   + layer({ 4 }, 1))
        << imported(1, 1, "1 tile layer into 2, 1 tile in map.tiles.png") << QString()
        << QList<Look> { { false, 0, 0, 5 } } << QList<int>();
    QTest::newRow("pass layer, what is left out")
        << map
        << tmx(2, 1,
               ArtSet + layer({ 1, 99 }, 2) + "<objectgroup name=\"o\"/><imagelayer name=\"i\"/>"
                   + layer({ 0, 9 }, 2).replace("name=\"l\"", "name=\"Pass\" visible=\"0\""))
        << imported(2, 1,
                    "2 tile layers into 2, 1 tile in map.tiles.png; left out: 1 object layer, 1 image layer, "
                    "1 unknown tile")
        << QString() << QList<Look> { { false, 1, 0, -1 } } << QList<int> { 1 };
    QTest::newRow("tiles larger than the cells")
        << map
        << tmx(2, 2,
               "<tileset firstgid=\"1\" name=\"big\" tilewidth=\"32\" tileheight=\"32\"><image "
               "source=\"art.png\"/>"
               "</tileset>"
                   + layer({ 0, 0, 1, 0 }, 2))
        << imported(2, 2, "1 tile layer into 2, 4 tiles in map.tiles.png") << QString() << QList<Look>()
        << QList<int>();
    // 40-pixel maps name their own images only where the editor draws them
    // as Tiled does.
    const auto forty = [&](const QString& image, const QString& trans, quint32 gid) {
        return QString(
                   tmx(1, 1,
                       QStringLiteral("<tileset firstgid=\"1\" name=\"g\" tilewidth=\"40\" tileheight=\"40\">"
                                      "<image source=\"%1\"%2/></tileset>")
                               .arg(image, trans)
                           + layer({ gid }, 1)))
            .replace("\"16\"", "\"40\"");
    };
    const QString kept = imported(1, 1, "1 tile layer into 2, 1 tile set kept");
    const QString converted = imported(1, 1, "1 tile layer into 2, 1 tile in map.tiles.png");
    QTest::newRow("40 pixels, translucent art")
        << map << forty("glass.png", QString(), 2) << kept << QString() << QList<Look>() << QList<int>();
    QTest::newRow("40 pixels, opaque art keyed by its corner colour")
        << map << forty("ground.png", " trans=\"5a8c3c\"", 2) << kept << QString() << QList<Look>()
        << QList<int>();
    QTest::newRow("40 pixels, opaque art without transparent colour")
        << map << forty("ground.png", QString(), 2) << converted << QString() << QList<Look>()
        << QList<int>();
    QTest::newRow("40 pixels, translucent art with a transparent colour")
        << map << forty("glass.png", " trans=\"000000\"", 2) << converted << QString() << QList<Look>()
        << QList<int>();
    QTest::newRow("40 pixels, flipped") << map << forty("glass.png", QString(), 2 | TmxFlipVertical)
                                        << converted << QString() << QList<Look>() << QList<int>();

    QTest::newRow("isometric")
        << map << tmx(1, 1, QString()).replace("orthogonal", "isometric") << QString()
        << "map.tmx: line 2: the map is isometric; only orthogonal maps can be imported" << QList<Look>()
        << QList<int>();
    QTest::newRow("256 cells wide") << map << tmx(256, 3, QString()) << QString()
                                    << "the map is 256 x 3 cells, more than the 255 a side" << QList<Look>()
                                    << QList<int>();
    QTest::newRow("infinite map's chunks 300 cells apart")
        << map
        << tmx(0, 0,
               ArtSet + "<layer name=\"l\"><data encoding=\"base64\" compression=\"zlib\">"
                   + chunk(0, 0, { 1 }, 1) + chunk(0, 299, { 1 }, 1) + "</data></layer>",
               " infinite=\"1\"")
        << QString() << "the chunks of the infinite map span 1 x 300 cells" << QList<Look>() << QList<int>();
    QTest::newRow("malformed XML") << map << tmx(1, 1, ArtSet + "<layer>") << QString()
                                   << "map.tmx: line 4: the XML is malformed" << QList<Look>()
                                   << QList<int>();
    QTest::newRow("zlib data of three cells for four")
        << map
        << tmx(2, 2,
               ArtSet + layer({ 1, 2, 3 }, 3, TmxEncoding::Zlib).replace("width=\"3\" height=\"1\"", ""))
        << QString() << "does not inflate to its 4 cells" << QList<Look>() << QList<int>();
    QTest::newRow("CSV of three cells for four")
        << map << tmx(2, 2, ArtSet + layer({ 1, 2, 3 }, 3).replace("width=\"3\" height=\"1\"", ""))
        << QString() << "it holds 3 ids for its 4 cells" << QList<Look>() << QList<int>();
    QTest::newRow("unknown compression")
        << map
        << tmx(1, 1, ArtSet + "<layer><data encoding=\"base64\" compression=\"lzma\">AAAA</data></layer>")
        << QString() << "the compression \"lzma\" is not one of TMX's" << QList<Look>() << QList<int>();
    QTest::newRow("missing tile-set image")
        << map << QString(tmx(1, 1, ArtSet + layer({ 1 }, 1))).replace("art.png", "gone.png") << QString()
        << "map.tmx: tile set \"art\": gone.png cannot be read: the file does not exist" << QList<Look>()
        << QList<int>();
    std::vector<quint32> everyPixel(255 * 255);
    for (size_t i = 0; i < everyPixel.size(); ++i)
        everyPixel[i] = quint32(i + 1);
    QTest::newRow("too many converted tiles")
        << map
        << QString(tmx(255, 255,
                       "<tileset firstgid=\"1\" name=\"p\" tilewidth=\"1\" tileheight=\"1\">"
                       "<image source=\"pixels.png\"/></tileset>"
                           + layer(everyPixel, 255, TmxEncoding::Zlib)))
               .replace("\"16\"", "\"1\"")
        << QString() << "the map needs 65025 different tiles" << QList<Look>() << QList<int>();
}

void TestTmxImport::imports()
{
    QFETCH(QString, file);
    QFETCH(QString, text);
    QFETCH(QString, report);
    QFETCH(QString, error);
    QFETCH(QList<Look>, looks);
    QFETCH(QList<int>, passable);
    QVERIFY(writeFile(file, file.endsWith(".gz") ? gzipped(text.toUtf8()) : text.toUtf8()));

    TmxImport import;
    QString problem;
    const bool imported = importTmxFile(file, tmxTileImagePath(file), &import, &problem);
    QVERIFY2(imported == error.isEmpty(), qPrintable(problem));
    if (!imported) {
        QVERIFY2(problem.contains(error), qPrintable(problem));
        return;
    }
    QCOMPARE(import.report, report);
    QCOMPARE(mapDataProblem(import.map), QString());
    if (report.endsWith(QLatin1String("1 tile set kept")))
        QCOMPARE(import.map.tileSetNames.size(), 1);
    if (!import.tileImage.isNull()) {
        QCOMPARE(import.map.tileSetNames, QStringList { "map.tiles.png" });
        // The editor takes an image without transparency as drawn on a
        // background colour, and would cut that out.
        QVERIFY(hasTransparency(import.tileImage));
    }
    for (const Look& look : looks) {
        const CellRecord& cell
            = (look.top ? import.map.top : import.map.bottom)[look.y * import.map.width + look.x];
        QCOMPARE(cell.tileIndex < 0, look.tile < 0);
        if (look.tile < 0)
            continue;
        const int columns = import.tileImage.width() / 40;
        const QPoint corner(cell.tileIndex % columns * 40, cell.tileIndex / columns * 40);
        for (int quadrant = 0; quadrant < 4; ++quadrant) {
            const QColor shown = import.tileImage.pixelColor(
                corner + QPoint(10 + quadrant % 2 * 20, 10 + quadrant / 2 * 20));
            const QColor expected = expectedColour(look, quadrant);
            const int slack = look.opacity < 1 ? 3 : 0;
            QVERIFY2(std::abs(shown.alpha() - expected.alpha()) <= 2
                         && (expected.alpha() == 0
                             || (std::abs(shown.red() - expected.red()) <= slack
                                 && std::abs(shown.green() - expected.green()) <= slack
                                 && std::abs(shown.blue() - expected.blue()) <= slack)),
                     qPrintable(QStringLiteral("cell (%1, %2), quadrant %3: %4 instead of %5")
                                    .arg(look.x)
                                    .arg(look.y)
                                    .arg(quadrant)
                                    .arg(shown.name(QColor::HexArgb), expected.name(QColor::HexArgb))));
        }
    }
    for (int i = 0; i < int(import.map.top.size()); ++i)
        QCOMPARE(import.map.top[size_t(i)].pass, passable.contains(i));
}

void TestTmxImport::tileImageBesideItsFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("image");

    QTest::newRow("map file") << "maps/island.map"
                              << "maps/island.tiles.png";
    QTest::newRow("TMX file") << "island.tmx"
                              << "island.tiles.png";
    QTest::newRow("gzip-compressed TMX file") << "maps/island.TMX.gz"
                                              << "maps/island.tiles.png";
    QTest::newRow("absolute path, made relative")
        << QDir::current().filePath("sets/a.b.tmx") << "sets/a.b.tiles.png";
}

void TestTmxImport::tileImageBesideItsFile()
{
    QFETCH(QString, path);
    QFETCH(QString, image);
    QCOMPARE(tmxTileImagePath(path), image);
}

void TestTmxImport::exportedMapComesBackByteForByte()
{
    QVERIFY(
        ellipseTileSet(QImage::Format_RGB32, QColor(90, 140, 60), 255).save(QStringLiteral("ground.png")));
    QVERIFY(ellipseTileSet(QImage::Format_RGB32, Key, 255).save(QStringLiteral("keyed.png")));
    MapData data;
    data.tileSetNames = QStringList { "ground.png", "glass.png", "keyed.png" };
    data.width = 5;
    data.height = 3;
    for (int cell = 0; cell < 15; ++cell) {
        data.bottom.push_back(cell == 7 ? CellRecord() : CellRecord { 0, cell % 6, false });
        data.top.push_back({ cell % 3 == 0 ? -1 : 1, cell % 3 == 0 ? -1 : cell % 6, cell % 4 == 1 });
    }
    const QByteArray original = formatMapFile(data);
    QVERIFY(writeFile(QStringLiteral("round.map"), original));
    QString out, err;
    QCOMPARE(runCommand({ "export", "round.map", "-o", "sets/round.tmx" }, &out, &err), 0);
    QCOMPARE(runCommand({ "import", "sets/round.tmx", "-o", "out/round.map" }, &out, &err), 0);
    QCOMPARE(err, QString());
    QCOMPARE(out, QStringLiteral("Imported round.tmx: 5 x 3, 3 tile layers into 2, 3 tile sets kept\n"));
    QFile imported(QStringLiteral("out/round.map"));
    QVERIFY(imported.open(QIODevice::ReadOnly));
    QCOMPARE(imported.readAll(), original);
    QVERIFY(!QFile::exists(QStringLiteral("out/round.tiles.png")));
}

void TestTmxImport::command_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    QTest::newRow("help") << QStringList { "import", "--help" } << 0
                          << "Usage: varnhold-map import IN.tmx -o OUT.map" << QString();
    QTest::newRow("no output") << QStringList { "import", "cli.tmx" } << 2 << QString()
                               << "varnhold-map import: no output file given (-o OUT.map)";
    QTest::newRow("imported") << QStringList { "import", "cli.tmx", "-o", "out/cli.map" } << 0
                              << "Imported cli.tmx: 2 x 1, 1 tile layer into 2, 2 tiles in cli.tiles.png\n"
                              << QString();
    QTest::newRow("output is the TMX file") << QStringList { "import", "cli.tmx", "-o", "cli.tmx" } << 1
                                            << QString() << "cli.tmx: cannot be written";
    QTest::newRow("refused") << QStringList { "import", "gone.tmx", "-o", "out/gone.map" } << 1 << QString()
                             << "gone.tmx: cannot be read: the file does not exist";
}

void TestTmxImport::command()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const QByteArray tmxText = tmx(2, 1, ArtSet + layer({ 1, 2 }, 2)).toUtf8();
    QVERIFY(writeFile(QStringLiteral("cli.tmx"), tmxText));
    QString printed, reported;
    QCOMPARE(runCommand(arguments, &printed, &reported), status);
    QVERIFY2(printed.startsWith(out), qPrintable(printed));
    QVERIFY2(reported.startsWith(err), qPrintable(reported));
    QFile cli(QStringLiteral("cli.tmx"));
    QVERIFY(cli.open(QIODevice::ReadOnly));
    QCOMPARE(cli.readAll(), tmxText);
    if (status == 0 && arguments.contains("out/cli.map")) {
        // Two opaque tiles and a clear one, two by two.
        QCOMPARE(QImage(QStringLiteral("out/cli.tiles.png")).size(), QSize(80, 80));
        QVERIFY(QFile(QStringLiteral("out/cli.map")).size() > 0);
    }
}

QTEST_MAIN(TestTmxImport)
#include "tst_tmximport.moc"

#include "app/mainwindow.h"
#include "canvas/worldviewwidget.h"
#include "mapfile/mapparser.h"
#include "palette/tilesetwidget.h"

#include "support/modalanswerer.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

// Cut and mutated map files fed to the canvas's import, wired to the palette
// inside a real main window: each is either refused with the message and
// nothing changed, or accepted, and then saving it gives a file that imports
// to the same set.

namespace {

const QStringList ImageNames { QStringLiteral("grass.png"), QStringLiteral("walls.png") };
QtMessageHandler previousHandler = nullptr;

// A cell as the user sees it: its values and the name of the loaded image
// it is drawn from ("" when it points at none of the loaded slots).
struct CellState
{
    QString file;
    qint32 index;
    bool pass;
    QString drawnFrom;

    bool operator==(const CellState& other) const
    {
        return file == other.file && index == other.index && pass == other.pass
            && drawnFrom == other.drawnFrom;
    }
};

struct CanvasState
{
    QSize size;
    QStringList canvasSets;
    QStringList paletteSets;
    QSize paletteGrid;
    QString brushFile;
    qint32 brushIndex = -1;
    std::vector<CellState> cells; // top layer row by row, then the bottom layer

    static CanvasState of(const WorldViewWidget& canvas, const TileSetWidget& palette)
    {
        CanvasState state;
        state.size = canvas.worldSize();
        for (int slot = 0; slot < canvas.tileSetTotal(); ++slot)
            state.canvasSets << canvas.tileSetName(slot);
        for (int slot = 0; slot < palette.tileSetTotal(); ++slot)
            state.paletteSets << palette.tileSetName(slot);
        state.paletteGrid = palette.gridSize();
        state.brushFile = canvas.brushTile().tileSetFile;
        state.brushIndex = canvas.brushTile().tileIndex;
        for (const LayerTiles& layer : { canvas.topLayerCells(), canvas.bottomLayerCells() }) {
            for (int y = 0; y < state.size.height(); ++y) {
                for (int x = 0; x < state.size.width(); ++x) {
                    const Tile& tile = layer[x][y];
                    QString drawnFrom;
                    for (int slot = 0; slot < canvas.tileSetTotal(); ++slot) {
                        if (tile.tileSet == canvas.tileSetImage(slot))
                            drawnFrom = canvas.tileSetName(slot);
                    }
                    state.cells.push_back({ tile.tileSetFile, tile.tileIndex, tile.pass, drawnFrom });
                }
            }
        }
        return state;
    }

    // The first difference, or "" when there is none; cells are compared
    // with or without the set name of empty cells, which nothing shows.
    QString differenceTo(const CanvasState& other, bool emptyCellNames) const
    {
        if (size != other.size)
            return QStringLiteral("size %1 x %2 / %3 x %4")
                .arg(size.width())
                .arg(size.height())
                .arg(other.size.width())
                .arg(other.size.height());
        if (canvasSets != other.canvasSets)
            return QStringLiteral("canvas sets (%1) / (%2)")
                .arg(canvasSets.join(QLatin1Char(' ')), other.canvasSets.join(QLatin1Char(' ')));
        if (paletteSets != other.paletteSets || paletteGrid != other.paletteGrid)
            return QStringLiteral("palette");
        for (size_t i = 0; i < cells.size(); ++i) {
            const CellState& a = cells[i];
            const CellState& b = other.cells[i];
            const bool same
                = emptyCellNames || a.index != -1 ? a == b : a.index == b.index && a.pass == b.pass;
            if (!same)
                return QStringLiteral("cell %1: %2 %3 %4 from \"%5\" / %6 %7 %8 from \"%9\"")
                    .arg(i)
                    .arg(a.file)
                    .arg(a.index)
                    .arg(a.pass)
                    .arg(a.drawnFrom, b.file)
                    .arg(b.index)
                    .arg(b.pass)
                    .arg(b.drawnFrom);
        }
        return QString();
    }
};

struct Token
{
    qsizetype begin;
    qsizetype end;
};

QList<Token> tokensOf(const QByteArray& bytes)
{
    QList<Token> tokens;
    qsizetype i = 0;
    while (i < bytes.size()) {
        if (isMapFileSeparator(bytes[i])) {
            ++i;
            continue;
        }
        const qsizetype begin = i;
        while (i < bytes.size() && !isMapFileSeparator(bytes[i]))
            ++i;
        tokens.append({ begin, i });
    }
    return tokens;
}

// The tile-set names a file lists, or none where its count is not a number.
QList<QByteArray> listedNames(const QByteArray& bytes)
{
    const QList<Token> tokens = tokensOf(bytes);
    if (tokens.isEmpty())
        return {};
    bool ok = false;
    const int count = bytes.mid(tokens[0].begin, tokens[0].end - tokens[0].begin).toInt(&ok);
    QList<QByteArray> names;
    for (int i = 1; ok && i <= count && i < tokens.size(); ++i)
        names << bytes.mid(tokens[i].begin, tokens[i].end - tokens[i].begin);
    return names;
}

// How many of the file's tile sets the palette cannot load, each with a box.
int unloadableSets(const QByteArray& bytes)
{
    int count = 0;
    for (const QByteArray& name : listedNames(bytes))
        count += ImageNames.contains(QString::fromLatin1(name)) ? 0 : 1;
    return count;
}

QByteArray record(int set, int tile, int pass, const QByteArray& end)
{
    return QByteArray::number(set) + ' ' + QByteArray::number(tile) + ' ' + QByteArray::number(pass) + end;
}

// 5 x 3, two tile sets, tiles in both layers, pass flags on empty and
// filled cells, as the editor writes it.
QByteArray fiveByThree()
{
    QByteArray file = "2\ngrass.png\nwalls.png\n5 3\n";
    for (int i = 0; i < 15; ++i)
        file += i % 4 == 3 ? record(-1, -1, i % 2, "\n") : record(i % 2, i, (i / 2) % 2, "\n");
    for (int i = 0; i < 15; ++i)
        file += i % 3 == 0 ? record(-1, -1, 0, "\n") : record(1 - i % 2, 3 - i % 4, i % 2, "\n");
    return file;
}

// 4 x 2 with CR LF line ends, a tile set listed twice and one whose image
// does not exist; cells of every set, some of them without a tile.
QByteArray fourByTwoCrLf()
{
    const int records[2][8][3] = { { { 0, 0, 1 },
                                     { 1, 2, 0 },
                                     { 2, 5, 1 },
                                     { 3, 1, 0 },
                                     { -1, -1, 1 },
                                     { 3, -1, 0 },
                                     { 0, -1, 1 },
                                     { 1, 7, 0 } },
                                   { { 2, 3, 0 },
                                     { -1, -1, 0 },
                                     { 1, 0, 1 },
                                     { 3, 4, 1 },
                                     { 0, 6, 0 },
                                     { 2, -1, 1 },
                                     { -1, -1, 1 },
                                     { 1, 1, 0 } } };
    QByteArray file = "4\r\nwalls.png\r\ngrass.png\r\nwalls.png\r\nmissing.png\r\n4 2\r\n";
    for (const auto& layer : records) {
        for (const auto& cell : layer)
            file += record(cell[0], cell[1], cell[2], "\r\n");
    }
    return file;
}

// Numbers at and beyond the format's limits, and garbage: text, a byte
// outside ASCII, a name holding a NUL byte, a name that loads, a device.
QList<QByteArray> replacements()
{
    return { "-2",
             "-1",
             "0",
             "1",
             "2",
             "40",
             "41",
             "1025",
             "2147483648",
             "x",
             "+1",
             "\xe9",
             QByteArray("grass.png\0x", 11),
             "grass.png",
             "/dev/zero" };
}

} // namespace

class TestImportRobustness : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void everyPrefix_data();
    void everyPrefix();
    void singleTokenMutations_data();
    void singleTokenMutations();

private:
    // Imports `bytes` and checks what follows; tells whether it was accepted.
    void importChecked(const QByteArray& bytes, const QString& label, bool* accepted);
    // Imports the file; every box shown must be the "TileSet Load" message.
    // The problems reported: the reason of a refused file, or the tile sets
    // that did not load.
    void importFile(const QString& path, bool* accepted, int* problems);
    void keepAnswering();

    QTemporaryDir dir;
    QString previousDir;
    std::unique_ptr<MainWindow> window;
    WorldViewWidget* canvas = nullptr;
    TileSetWidget* palette = nullptr;
    // One answerer for the whole run: a fresh one per import would restart
    // its polling timer each time and so wait a full period for every box.
    std::unique_ptr<ModalAnswerer> answerer;
    int answersQueued = 0;
};

void TestImportRobustness::initTestCase()
{
    // The offscreen platform warns about every message box it shows.
    previousHandler = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& message) {
            if (message != QLatin1String("This plugin does not support propagateSizeHints()"))
                previousHandler(type, context, message);
        });
    QVERIFY(dir.isValid());
    int shade = 40;
    for (const QString& name : ImageNames) {
        QImage image(120, 80, QImage::Format_RGB32);
        image.fill(QColor(shade, 200 - shade, 90));
        QVERIFY(image.save(dir.filePath(name)));
        shade += 80;
    }
    // Tile-set names in map files are resolved against the working folder.
    previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    window = std::make_unique<MainWindow>();
    canvas = window->findChild<WorldViewWidget*>();
    palette = window->findChild<TileSetWidget*>();
    QVERIFY(canvas && palette);
    answerer = std::make_unique<ModalAnswerer>();
}

void TestImportRobustness::cleanupTestCase()
{
    answerer.reset();
    window.reset();
    QDir::setCurrent(previousDir);
    qInstallMessageHandler(previousHandler);
}

// Each row starts from the valid file imported, so that a refused import has
// tiles and tile sets to lose.
void TestImportRobustness::init()
{
    bool accepted = false;
    importChecked(fiveByThree(), QStringLiteral("the starting map"), &accepted);
    QVERIFY(accepted);
}

// Keeps more answers queued than one file can need boxes, so that none is
// left waiting; the boxes seen are counted by the caller.
void TestImportRobustness::keepAnswering()
{
    if (answersQueued - answerer->seenCount() > 2 * WorldViewWidget::MaxTileSets)
        return;
    for (int i = 0; i < 1000; ++i)
        answerer->expectMessageBox(QMessageBox::Ok);
    answersQueued += 1000;
}

void TestImportRobustness::importFile(const QString& path, bool* accepted, int* problems)
{
    keepAnswering();
    const int seenBefore = answerer->seenCount();
    QString error;
    QList<FileProblem> unloaded;
    *accepted = canvas->readMapFile(path, &error, &unloaded);
    *problems = *accepted ? int(unloaded.size()) : int(!error.isEmpty());
    // Only the window shows messages.
    QCOMPARE(answerer->seenCount(), seenBefore);
}

void TestImportRobustness::importChecked(const QByteArray& bytes, const QString& label, bool* accepted)
{
    const QString input = dir.filePath(QStringLiteral("input.map"));
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
    file.close();

    const CanvasState before = CanvasState::of(*canvas, *palette);
    int boxes = 0;
    importFile(input, accepted, &boxes);
    if (QTest::currentTestFailed())
        return;
    if (!*accepted) {
        QVERIFY2(boxes == 1, qPrintable(label + QStringLiteral(": %1 problems for a refused file").arg(boxes)));
        const QString change = before.differenceTo(CanvasState::of(*canvas, *palette), true);
        QVERIFY2(change.isEmpty(), qPrintable(label + QStringLiteral(", refused, changed ") + change));
        return;
    }
    // One box for all the tile sets that do not load, a line for each.
    const int unloadable = unloadableSets(bytes);
    QVERIFY2(boxes == unloadable,
             qPrintable(label
                        + QStringLiteral(": %1 problems for %2 tile sets that do not load").arg(boxes).arg(unloadable)));
    const QList<Token> tokens = tokensOf(bytes);
    const qsizetype sizeAt = 1 + listedNames(bytes).size();
    const auto number
        = [&](qsizetype t) { return bytes.mid(tokens[t].begin, tokens[t].end - tokens[t].begin).toInt(); };
    QVERIFY2(canvas->worldSize() == QSize(number(sizeAt), number(sizeAt + 1)), qPrintable(label));

    const CanvasState imported = CanvasState::of(*canvas, *palette);
    const QString saved = dir.filePath(QStringLiteral("saved.map"));
    const int seenBeforeSave = answerer->seenCount();
    QVERIFY2(canvas->writeMapFile(saved), qPrintable(label + QStringLiteral(": not saved")));
    QVERIFY2(answerer->seenCount() == seenBeforeSave,
             qPrintable(label + QStringLiteral(": a box on saving")));
    QFile savedFile(saved);
    QVERIFY(savedFile.open(QIODevice::ReadOnly));
    const QByteArray savedBytes = savedFile.readAll();

    bool reimported = false;
    importFile(saved, &reimported, &boxes);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(reimported, qPrintable(label + QStringLiteral(": the saved file is refused")));
    QCOMPARE(boxes, unloadableSets(savedBytes));
    // An empty cell whose tile set did not load is saved without a set when
    // no tile of that set is left; it draws and saves the same either way.
    const QString change = imported.differenceTo(CanvasState::of(*canvas, *palette), false);
    QVERIFY2(change.isEmpty(), qPrintable(label + QStringLiteral(", saved and imported again: ") + change));
}

void TestImportRobustness::everyPrefix_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("5 x 3, two tile sets, LF") << fiveByThree();
    QTest::newRow("4 x 2, CR LF, a tile set listed twice, one missing") << fourByTwoCrLf();
}

// The file cut after every byte: at every token boundary and inside every
// token. Only a cut that keeps the last token whole is a complete file.
void TestImportRobustness::everyPrefix()
{
    QFETCH(QByteArray, file);
    const qsizetype complete = tokensOf(file).last().end;
    for (qsizetype length = 0; length <= file.size(); ++length) {
        const QString label = QStringLiteral("the first %1 bytes").arg(length);
        bool accepted = false;
        importChecked(file.left(length), label, &accepted);
        if (QTest::currentTestFailed())
            return;
        QVERIFY2(accepted == (length >= complete), qPrintable(label));
    }
}

void TestImportRobustness::singleTokenMutations_data()
{
    everyPrefix_data();
}

// Every token replaced by each of a list of numbers at and beyond the
// format's limits and of garbage, removed, and doubled.
void TestImportRobustness::singleTokenMutations()
{
    QFETCH(QByteArray, file);
    const QList<Token> tokens = tokensOf(file);
    int accepted = 0;
    int refused = 0;
    for (qsizetype t = 0; t < tokens.size(); ++t) {
        const Token& token = tokens[t];
        const QByteArray text = file.mid(token.begin, token.end - token.begin);
        QList<QPair<QString, QByteArray>> mutants;
        for (const QByteArray& replacement : replacements()) {
            if (replacement != text)
                mutants.append({ QStringLiteral("token %1 replaced by \"%2\"")
                                     .arg(t)
                                     .arg(QString::fromLatin1(replacement.toPercentEncoding("/.+-"))),
                                 QByteArray(file).replace(token.begin, text.size(), replacement) });
        }
        mutants.append(
            { QStringLiteral("token %1 removed").arg(t), QByteArray(file).remove(token.begin, text.size()) });
        mutants.append(
            { QStringLiteral("token %1 doubled").arg(t), QByteArray(file).insert(token.end, ' ' + text) });
        for (const auto& [label, bytes] : mutants) {
            bool wasAccepted = false;
            importChecked(bytes, label, &wasAccepted);
            if (QTest::currentTestFailed())
                return;
            ++(wasAccepted ? accepted : refused);
        }
    }
    qInfo("%d mutants accepted, %d refused", accepted, refused);
    QVERIFY(accepted > 0);
    QVERIFY(refused > 0);
}

QTEST_MAIN(TestImportRobustness)
#include "tst_importrobustness.moc"

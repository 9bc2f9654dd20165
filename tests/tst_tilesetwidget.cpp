#include "palette/tilesetwidget.h"

#include "support/windowstate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

#include <vector>

namespace {

// Every whole 40 x 40 tile gets a colour of its own; the partial strips at
// the right and bottom edge are black, so a drawn strip would show.
QColor tileColour(int column, int row)
{
    return QColor(30 + 25 * column, 30 + 40 * row, 200);
}

QImage tileImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    for (int column = 0; column < width / 40; ++column) {
        for (int row = 0; row < height / 40; ++row)
            painter.fillRect(column * 40, row * 40, 40, 40, tileColour(column, row));
    }
    return image;
}

QString writeImage(const QTemporaryDir& dir, const QString& name, int width = 330, int height = 170)
{
    const QString path = dir.filePath(name);
    return tileImage(width, height).save(path) ? path : QString();
}

QString writeBytes(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint32 pngCrc(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A valid small PNG whose header claims side x side pixels.
QByteArray pngClaiming(const QTemporaryDir& dir, int side)
{
    QByteArray bytes = fileBytes(writeImage(dir, QStringLiteral("claim-source.png"), 80, 80));
    // Signature (8), IHDR length (4), "IHDR" (4), width, height, ..., CRC at 29.
    qToBigEndian<quint32>(side, bytes.data() + 16);
    qToBigEndian<quint32>(side, bytes.data() + 20);
    qToBigEndian<quint32>(pngCrc(bytes.mid(12, 17)), bytes.data() + 29);
    return bytes;
}

// The window connects the palette's signal to its own slot; a palette used
// alone needs the same.
void wireToItself(TileSetWidget& palette)
{
    QObject::connect(&palette, &TileSetWidget::tileSetAdded, &palette, &TileSetWidget::addTileSet);
}

struct PaletteState
{
    int total;
    QStringList names;
    QSize grid;
    QPoint selected;
    const QPixmap* firstTileImage;
    QSize size;

    explicit PaletteState(const TileSetWidget& palette)
        : total(palette.tileSetTotal())
        , grid(palette.gridSize())
        , selected(palette.selectedTile())
        , firstTileImage(palette.tileAt(0, 0) ? palette.tileAt(0, 0)->tileSet : nullptr)
        , size(palette.size())
    {
        for (int slot = 0; slot < TileSetWidget::MaxTileSets; ++slot)
            names << palette.tileSetName(slot);
    }

    bool operator==(const PaletteState& other) const
    {
        return total == other.total && names == other.names && grid == other.grid
            && selected == other.selected && firstTileImage == other.firstTileImage
            && size == other.size;
    }
};

} // namespace

class TestTileSetWidget : public QObject
{
    Q_OBJECT

private slots:
    void loadsImageFormats_data();
    void loadsImageFormats();
    void refusesUnloadableFile_data();
    void refusesUnloadableFile();
    void imageSmallerThanOneTileIsRefused();
    void drawsEachTileFromItsSourceSquare();
    void drawsOnlyTheFrameBeforeAnyLoad();
    void partialRepaintMatchesFullPaint_data();
    void partialRepaintMatchesFullPaint();
    void pressPicksTile_data();
    void pressPicksTile();
    void otherButtonsIgnored_data();
    void otherButtonsIgnored();
    void pressBeforeAnyLoadIgnored();
    void screenShowsFrameMovedByPress();
    void loadMovesFrameBackToFirstTile();

private:
    QTemporaryDir dir;
};

void TestTileSetWidget::loadsImageFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("PNG") << QStringLiteral("tiles.png");
    QTest::newRow("JPEG") << QStringLiteral("tiles.jpg");
    QTest::newRow("BMP") << QStringLiteral("tiles.bmp");
}

void TestTileSetWidget::loadsImageFormats()
{
    QFETCH(QString, name);
    const QString path = writeImage(dir, name);
    QVERIFY(!path.isEmpty());

    TileSetWidget palette(40);
    wireToItself(palette);
    QSignalSpy added(&palette, &TileSetWidget::tileSetAdded);
    int selections = 0;
    connect(&palette, &TileSetWidget::tileSelected, this, [&selections](Tile&) { ++selections; });

    QVERIFY(palette.loadTileSet(path));

    QCOMPARE(added.count(), 1);
    QCOMPARE(added.at(0).at(1).toString(), path);
    QCOMPARE(selections, 0);
    QCOMPARE(palette.tileSetTotal(), 1);
    QCOMPARE(palette.tileSetName(0), path);
    QCOMPARE(palette.tileSetImage(0)->size(), QSize(330, 170));
    QCOMPARE(palette.gridSize(), QSize(8, 4));
    QCOMPARE(palette.sizeHint(), QSize(257, 129));
    QCOMPARE(palette.size(), QSize(257, 129));

    const Tile* tile = palette.tileAt(2, 1);
    QVERIFY(tile);
    QCOMPARE(tile->tileIndex, 10);
    QCOMPARE(tile->tileSetFile, path);
    QCOMPARE(tile->tileSet, palette.tileSetImage(0));
    QCOMPARE(tile->pass, false);
    QCOMPARE(palette.tileAt(7, 3)->tileIndex, 31);
    QCOMPARE(palette.tileAt(8, 0), nullptr);
    QCOMPARE(palette.tileAt(0, 4), nullptr);
}

void TestTileSetWidget::refusesUnloadableFile_data()
{
    QTest::addColumn<QString>("path");

    QTest::newRow("text file named .png")
        << writeBytes(dir, QStringLiteral("text.png"), "not an image\n");
    QTest::newRow("missing file") << dir.filePath(QStringLiteral("missing.png"));
    const QByteArray png = fileBytes(writeImage(dir, QStringLiteral("whole.png")));
    QTest::newRow("truncated PNG")
        << writeBytes(dir, QStringLiteral("truncated.png"), png.left(png.size() / 2));
    QTest::newRow("PNG header only") << writeBytes(dir, QStringLiteral("header.png"), png.left(40));
    QTest::newRow("header claims 20000 x 20000 pixels")
        << writeBytes(dir, QStringLiteral("huge.png"), pngClaiming(dir, 20000));
    QTest::newRow("header claims more than the data holds")
        << writeBytes(dir, QStringLiteral("short.png"), pngClaiming(dir, 3000));
    const QString fifo = dir.filePath(QStringLiteral("pipe.png"));
    QTest::newRow("FIFO")
        << (::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0 ? fifo : QString());
    QTest::newRow("folder") << dir.path();
}

void TestTileSetWidget::refusesUnloadableFile()
{
    QFETCH(QString, path);
    QVERIFY(!path.isEmpty());
    const QString good = writeImage(dir, QStringLiteral("good.png"));

    TileSetWidget palette(40);
    wireToItself(palette);
    QVERIFY2(showExposed(&palette), "the window was not exposed");
    QVERIFY(palette.loadTileSet(good));
    QTest::mousePress(&palette, Qt::LeftButton, {}, QPoint(100, 70));
    QCOMPARE(palette.selectedTile(), QPoint(3, 2));
    const PaletteState before(palette);
    QSignalSpy added(&palette, &TileSetWidget::tileSetAdded);
    QSignalSpy refused(&palette, &TileSetWidget::loadRefused);

    QVERIFY(!palette.loadTileSet(path));

    QCOMPARE(refused.count(), 1);
    QCOMPARE(refused.at(0).at(1).toString(), QFileInfo(path).absoluteFilePath());
    const QString line = refused.at(0).at(0).toString().arg(QFileInfo(path).absoluteFilePath());
    const QString prefix = QFileInfo(path).absoluteFilePath() + QStringLiteral(": ");
    QVERIFY2(line.startsWith(prefix), qPrintable(line));
    QVERIFY2(line.size() > prefix.size(), "the reason is missing");
    QCOMPARE(added.count(), 0);
    QVERIFY(PaletteState(palette) == before);
}

void TestTileSetWidget::imageSmallerThanOneTileIsRefused()
{
    // A set without a single tile could never be used: the load says so.
    TileSetWidget palette(40);
    wireToItself(palette);
    QSignalSpy refused(&palette, &TileSetWidget::loadRefused);
    QVERIFY(!palette.loadTileSet(writeImage(dir, QStringLiteral("narrow.png"), 39, 100)));
    QCOMPARE(refused.count(), 1);
    const QString message = refused.at(0).at(0).toString();
    QVERIFY2(message.endsWith(QStringLiteral("the image is 39 x 100 pixels, smaller than one 40 x 40 tile")),
             qPrintable(message));
    QCOMPARE(palette.tileSetTotal(), 0);
}

void TestTileSetWidget::drawsEachTileFromItsSourceSquare()
{
    TileSetWidget palette(40);
    wireToItself(palette);
    QVERIFY(palette.loadTileSet(writeImage(dir, QStringLiteral("colours.png"))));

    const QImage shown = palette.grab().toImage();
    QCOMPARE(shown.size(), QSize(257, 129));
    for (int column = 0; column < 8; ++column) {
        for (int row = 0; row < 4; ++row) {
            const QRect cell = palette.cellRect(column, row);
            QCOMPARE(cell.size(), QSize(33, 33));
            QCOMPARE(cell.topLeft(), QPoint(32 * column, 32 * row));
            // Away from the frame, which lies on the first tile.
            if (column == 0 && row == 0)
                continue;
            QCOMPARE(shown.pixelColor(cell.center()), tileColour(column, row));
            QCOMPARE(shown.pixelColor(cell.topLeft() + QPoint(2, 2)), tileColour(column, row));
        }
    }
    // The grid lies on top of the overlapping pixel of neighbouring cells.
    const QColor lines = palette.palette().color(QPalette::WindowText);
    QCOMPARE(shown.pixelColor(64, 50), lines);
    QCOMPARE(shown.pixelColor(256, 50), lines);
    QCOMPARE(shown.pixelColor(100, 128), lines);
    // Translucent red over the first tile's colour (30, 30, 200).
    const QColor frame = shown.pixelColor(16, 0);
    QVERIFY2(frame.red() > 150 && frame.green() < 40 && frame.blue() < 120,
             qPrintable(frame.name()));
}

void TestTileSetWidget::drawsOnlyTheFrameBeforeAnyLoad()
{
    TileSetWidget palette(40);
    QCOMPARE(palette.size(), QSize(239, 100));
    QImage shown(palette.size(), QImage::Format_ARGB32);
    shown.fill(Qt::transparent);
    palette.render(&shown, QPoint(), QRegion(), QWidget::DrawChildren);

    QImage expected(palette.size(), QImage::Format_ARGB32);
    expected.fill(Qt::transparent);
    QPainter painter(&expected);
    painter.setPen(QPen(QColor(255, 1, 1, 160), 3));
    painter.drawLine(0, 0, 32, 0);
    painter.drawLine(0, 0, 0, 32);
    painter.drawLine(32, 32, 0, 32);
    painter.drawLine(32, 32, 32, 0);
    painter.end();
    QCOMPARE(shown, expected);
}

void TestTileSetWidget::partialRepaintMatchesFullPaint_data()
{
    QTest::addColumn<QRect>("area");
    QTest::newRow("one pixel on a grid crossing") << QRect(64, 64, 1, 1);
    QTest::newRow("one pixel just past a grid line") << QRect(65, 33, 1, 1);
    QTest::newRow("one pixel just before a grid line") << QRect(95, 127, 1, 1);
    QTest::newRow("column strip starting on a line") << QRect(96, 0, 31, 420);
    QTest::newRow("row strip ending on a line") << QRect(0, 70, 420, 26);
    QTest::newRow("one row on a line") << QRect(0, 96, 420, 1);
    QTest::newRow("one column on a line") << QRect(128, 0, 1, 420);
    QTest::newRow("around the frame") << QRect(60, 90, 40, 12);
    QTest::newRow("right and bottom edge of the tiles") << QRect(370, 370, 30, 30);
    QTest::newRow("beyond the tiles") << QRect(390, 0, 30, 420);
}

void TestTileSetWidget::partialRepaintMatchesFullPaint()
{
    QFETCH(QRect, area);
    TileSetWidget palette(40);
    wireToItself(palette);
    // Larger than the tiles, so that the area beyond them is painted too.
    palette.setMinimumSize(420, 420);
    QVERIFY2(showExposed(&palette), "the window was not exposed");
    QVERIFY(palette.loadTileSet(writeImage(dir, QStringLiteral("square.png"), 500, 500)));
    QCOMPARE(palette.gridSize(), QSize(12, 12));
    QTest::mousePress(&palette, Qt::LeftButton, {}, QPoint(70, 100));
    QCOMPARE(palette.selectedTile(), QPoint(2, 3));

    const QImage full = palette.grab().toImage();
    QImage part(full.size(), full.format());
    part.fill(Qt::magenta);
    // The region's top left lands at the target offset.
    palette.render(&part, area.topLeft(), QRegion(area));

    const QRect inside = area.intersected(part.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (part.pixel(x, y) != full.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) differs").arg(x).arg(y)));
        }
    }
}

void TestTileSetWidget::pressPicksTile_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("column");

    QTest::newRow("x 31 in column 0") << 31 << 0;
    QTest::newRow("x 32 on the line, column 0") << 32 << 0;
    QTest::newRow("x 33 in column 1") << 33 << 1;
    QTest::newRow("x 64 on the line, column 1") << 64 << 1;
    QTest::newRow("x 65 in column 2") << 65 << 2;
    QTest::newRow("x 257 past the last column, ignored") << 257 << -1;
}

void TestTileSetWidget::pressPicksTile()
{
    QFETCH(int, x);
    QFETCH(int, column);

    TileSetWidget palette(40);
    wireToItself(palette);
    QVERIFY(palette.loadTileSet(writeImage(dir, QStringLiteral("hits.png"))));
    // Wider than the tiles, so that a press beyond them reaches the widget.
    palette.setMinimumSize(300, 150);
    QVERIFY2(showExposed(&palette), "the window was not exposed");
    std::vector<Tile*> picked;
    connect(&palette, &TileSetWidget::tileSelected, this,
            [&picked](Tile& tile) { picked.push_back(&tile); });

    QTest::mousePress(&palette, Qt::LeftButton, {}, QPoint(x, 40));

    if (column < 0) {
        QVERIFY(picked.empty());
        QCOMPARE(palette.selectedTile(), QPoint(0, 0));
        return;
    }
    QCOMPARE(picked.size(), size_t(1));
    QCOMPARE(picked.front(), palette.tileAt(column, 1));
    QCOMPARE(picked.front()->tileIndex, column + 8);
    QCOMPARE(palette.selectedTile(), QPoint(column, 1));
}

void TestTileSetWidget::otherButtonsIgnored_data()
{
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::newRow("right button") << Qt::RightButton;
    QTest::newRow("middle button") << Qt::MiddleButton;
}

void TestTileSetWidget::otherButtonsIgnored()
{
    QFETCH(Qt::MouseButton, button);
    TileSetWidget palette(40);
    wireToItself(palette);
    QVERIFY(palette.loadTileSet(writeImage(dir, QStringLiteral("buttons.png"))));
    QVERIFY2(showExposed(&palette), "the window was not exposed");
    int selections = 0;
    connect(&palette, &TileSetWidget::tileSelected, this, [&selections](Tile&) { ++selections; });

    QTest::mousePress(&palette, button, {}, QPoint(100, 70));
    QCOMPARE(selections, 0);
    QCOMPARE(palette.selectedTile(), QPoint(0, 0));
}

void TestTileSetWidget::pressBeforeAnyLoadIgnored()
{
    TileSetWidget palette(40);
    QVERIFY2(showExposed(&palette), "the window was not exposed");
    int selections = 0;
    connect(&palette, &TileSetWidget::tileSelected, this, [&selections](Tile&) { ++selections; });

    QTest::mousePress(&palette, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mousePress(&palette, Qt::LeftButton, {}, QPoint(100, 50));
    QCOMPARE(selections, 0);
    QCOMPARE(palette.selectedTile(), QPoint(0, 0));
}

void TestTileSetWidget::screenShowsFrameMovedByPress()
{
    TileSetWidget palette(40);
    wireToItself(palette);
    QVERIFY(palette.loadTileSet(writeImage(dir, QStringLiteral("screen.png"))));
    QVERIFY2(showExposed(&palette), "the window was not exposed");

    // A press repaints only around the old and the new frame; what is on
    // the screen afterwards must still equal a full repaint.
    for (const QPoint press : {QPoint(100, 70), QPoint(133, 70), QPoint(10, 10)}) {
        QTest::mousePress(&palette, Qt::LeftButton, {}, press);
        QCoreApplication::processEvents();
        const QImage onScreen =
            palette.screen()->grabWindow(palette.winId()).toImage().convertToFormat(
                QImage::Format_RGB32);
        const QImage repainted = palette.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(onScreen, repainted);
    }
}

void TestTileSetWidget::loadMovesFrameBackToFirstTile()
{
    TileSetWidget palette(40);
    wireToItself(palette);
    QVERIFY(palette.loadTileSet(writeImage(dir, QStringLiteral("first.png"))));
    QVERIFY2(showExposed(&palette), "the window was not exposed");
    QTest::mousePress(&palette, Qt::LeftButton, {}, QPoint(100, 70));
    QCOMPARE(palette.selectedTile(), QPoint(3, 2));

    const QString second = writeImage(dir, QStringLiteral("second.png"), 120, 80);
    QVERIFY(palette.loadTileSet(second));
    QCOMPARE(palette.selectedTile(), QPoint(0, 0));
    QCOMPARE(palette.tileSetTotal(), 2);
    QCOMPARE(palette.gridSize(), QSize(3, 2));
    QCOMPARE(palette.tileAt(2, 1)->tileSet, palette.tileSetImage(1));
    QCOMPARE(palette.tileAt(2, 1)->tileSetFile, second);
    QCOMPARE(palette.sizeHint(), QSize(97, 65));
}

QTEST_MAIN(TestTileSetWidget)
#include "tst_tilesetwidget.moc"

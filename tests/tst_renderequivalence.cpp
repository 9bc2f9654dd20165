#include "canvas/worldviewwidget.h"
#include "palette/tilesetwidget.h"
#include "support/modalanswerer.h"
#include "support/referencerenderer.h"

#include <QBackingStore>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>
#include <memory>

// What the canvas shows on screen, after every kind of edit, undo and redo,
// layer switches and zoom changes, at every zoom, against a plain rendering
// that draws everything in the canvas's order of drawing. The canvas draws
// its cells from a cache of their picture that it updates cell by cell,
// whatever the art: colour-keyed, or translucent with anti-aliased outlines
// and soft shadows; on screens of 1, 1.25 and 2 device pixels per pixel,
// and in windows larger than a cache of 32 MB could serve. It must give
// the reference's pixels exactly.
class TestRenderEquivalence : public QObject
{
    Q_OBJECT

public:
    // Three screens side by side, scaled 1, 1.25 and 2.
    static void initMain();

private slots:
    void initTestCase();
    void cleanupTestCase();
    void editsShowReference_data();
    void editsShowReference();
    void partialRepaintsShowReference_data();
    void partialRepaintsShowReference();
    void importWithOtherImagesInSameSlots();
    void passFlagsClearedWithoutTileSets();
    void outlinePixelsKept_data();
    void outlinePixelsKept();

private:
    QTemporaryDir folder;
    QString objectsFile;
    QString groundFile;
    QString translucentFile;
};

namespace {

// The canvas draws its grid lines in its palette's WindowText colour.
void setGridColour(WorldViewWidget& canvas, const QColor& colour)
{
    QPalette colours = canvas.palette();
    colours.setColor(QPalette::WindowText, colour);
    canvas.setPalette(colours);
}

// Larger than the screen at the higher zooms, so that the map spans many of
// the cache's chunks at every zoom; only what is on screen is compared.
const int MapWidth = 40;
const int MapHeight = 34;
const QColor viewportColour(30, 60, 90);
const QColor background(255, 0, 255);
const QSize windowSize(620, 480);

QString screensFile()
{
    return QDir::temp().filePath(QStringLiteral("varnhold-screens-%1.json").arg(QCoreApplication::applicationPid()));
}

QScreen* screenOfRatio(qreal ratio)
{
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->devicePixelRatio() == ratio)
            return screen;
    }
    return nullptr;
}

// Shapes on the background colour, which the canvas masks out: every pixel
// of the canvas's copy is opaque or clear.
QImage objectTiles()
{
    QImage image(160, 120, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    for (int index = 0; index < 12; ++index) {
        const QRect tile((index % 4) * 40, (index / 4) * 40, 40, 40);
        painter.setBrush(QColor::fromHsv(index * 30, 200, 220));
        painter.drawEllipse(tile.adjusted(3 + index % 5, 4, -6, -3 - index % 3));
        painter.fillRect(QRect(tile.left() + 2 * index, tile.top() + 1, 3, 38), QColor(20 * index, 90, 40));
    }
    return image;
}

// Whole squares of colour, as ground is.
QImage groundTiles()
{
    QImage image(80, 80, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int index = 0; index < 4; ++index) {
        const QRect tile((index % 2) * 40, (index / 2) * 40, 40, 40);
        painter.fillRect(tile, QColor(40 + 50 * index, 160, 60));
        painter.fillRect(tile.adjusted(5, 9, -17, -11), QColor(200, 40 * index, 30));
    }
    return image;
}

// Sprites as real art draws them: anti-aliased shapes with a black outline
// and a soft shadow on a clear background, some of them half transparent.
// Blended twice over one another, they would round differently through an
// intermediate image.
QImage translucentTiles()
{
    QImage image(160, 80, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int index = 0; index < 8; ++index) {
        const QRectF tile((index % 4) * 40, (index / 4) * 40, 40, 40);
        painter.setPen(Qt::NoPen);
        for (int ring = 0; ring < 3; ++ring) {
            painter.setBrush(QColor(0, 0, 0, 35));
            painter.drawEllipse(tile.adjusted(6 + ring * 2, 27 + ring, -3 - ring * 2, -1 - ring));
        }
        painter.setPen(QPen(Qt::black, 1.5));
        painter.setBrush(QColor::fromHsv(index * 45, 220, 240, index % 2 ? 255 : 60 + 25 * index));
        painter.drawEllipse(tile.adjusted(2 + index, 3, -4, -8 - index / 2));
    }
    return image;
}

// The editor's arrangement: the canvas in a scroll area over a filled
// viewport, and a palette of the same document wired to it as the main
// window wires them.
class Editor
{
public:
    explicit Editor(qreal ratio = 1, const QSize& size = windowSize)
    {
        area.viewport()->setBackgroundRole(QPalette::Dark);
        QPalette colours = area.viewport()->palette();
        colours.setColor(QPalette::Dark, viewportColour);
        area.viewport()->setPalette(colours);
        area.viewport()->setAutoFillBackground(true);
        canvas = new WorldViewWidget(&document);
        area.setWidget(canvas);
        QObject::connect(&palette, &TileSetWidget::tileSetAdded, canvas, &WorldViewWidget::addTileSet);
        QObject::connect(&palette, &TileSetWidget::tileSetAdded, &palette, &TileSetWidget::addTileSet);
        QObject::connect(canvas, &WorldViewWidget::tileSetAdded, &palette, &TileSetWidget::loadTileSet);
        QObject::connect(canvas, &WorldViewWidget::setCleared, &palette, &TileSetWidget::clearSets);
        canvas->resizeWorld(MapWidth, MapHeight);
        if (QScreen* screen = screenOfRatio(ratio)) {
            area.setScreen(screen);
            area.move(screen->geometry().topLeft() + QPoint(20, 20));
        }
        area.resize(size);
        area.show();
    }

    void settle() const
    {
        // Qt serves update requests on the next pass of the event loop once
        // its idle time is zero (initTestCase).
        for (int pass = 0; pass < 3; ++pass)
            QCoreApplication::processEvents();
    }

    // The canvas's pixels as the window shows them, beside the reference's:
    // the device pixels wholly inside the visible part of the canvas.
    QString differenceOnScreen()
    {
        settle();
        const qreal ratio = area.devicePixelRatioF();
        const QRectF visible = QRectF(canvas->visibleRegion().boundingRect())
                                   .translated(canvas->mapTo(&area, QPoint(0, 0)));
        const QRect pixels(QPoint(int(std::ceil(visible.left() * ratio)), int(std::ceil(visible.top() * ratio))),
                           QPoint(int(std::floor(visible.right() * ratio)) - 1,
                                  int(std::floor(visible.bottom() * ratio)) - 1));
        // The window's backing store, in device pixels; grabbing the screen
        // would give them scaled to the window's size.
        const QPaintDevice* store = area.backingStore()->paintDevice();
        if (store->devType() != QInternal::Image)
            return QStringLiteral("the window's pixels are not an image");
        QImage shown
            = static_cast<const QImage*>(store)->copy(pixels).convertToFormat(QImage::Format_ARGB32_Premultiplied);
        shown.setDevicePixelRatio(1);
        const QPoint offset = canvas->mapTo(&area, QPoint(0, 0));
        const QRect part = ratio == 1 ? pixels.translated(-offset) : pixels;
        QImage expected
            = referenceRendering(*canvas, viewportColour, part, ratio, offset)
                  .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        if (ratio != std::floor(ratio)) {
            // The canvas draws its start and cursor marks, scaled, straight
            // onto the window. At a fractional scale the painter picks the
            // pixels of a scaled image counting from where its clip begins,
            // which is wherever the repaint that drew them began.
            const int grow = int(20 * double(canvas->zoom()));
            for (const QPoint& cell : { canvas->startCell(), canvas->currentCellPosition(),
                                        canvas->hoverCellPosition() }) {
                const QRectF mark = QRectF(canvas->cellRect(cell).adjusted(-grow, -grow, grow, grow).translated(offset));
                const QRect covered = QRectF(mark.topLeft() * ratio, mark.size() * ratio)
                                          .toAlignedRect()
                                          .adjusted(-2, -2, 2, 2)
                                          .translated(-pixels.topLeft());
                for (QImage* image : { &shown, &expected })
                    QPainter(image).fillRect(covered, Qt::black);
            }
        }
        return firstDifference(shown, expected);
    }

    // Device pixels of the canvas on screen.
    qint64 visibleDevicePixels() const
    {
        const QSize visible = canvas->visibleRegion().boundingRect().size() * area.devicePixelRatioF();
        return qint64(visible.width()) * visible.height();
    }

    // Both scroll bars to the same fraction of their range.
    void scrollTo(double fraction)
    {
        for (QScrollBar* bar : { area.horizontalScrollBar(), area.verticalScrollBar() })
            bar->setValue(int(bar->maximum() * fraction));
    }

    void useBrush(const QString& file, int tileIndex)
    {
        Tile brush;
        brush.tileSetFile = file;
        // Every tile set of the test has at least four tiles.
        brush.tileIndex = tileIndex % 4;
        brush.pass = tileIndex % 2 == 1;
        canvas->setBrushTile(brush);
    }

    void mouse(QEvent::Type type, const QPoint& cell, Qt::MouseButton button, Qt::MouseButtons held)
    {
        const QPointF pixel = canvas->cellRect(cell).center();
        QMouseEvent event(type, pixel, canvas->mapToGlobal(pixel), button, held, Qt::NoModifier);
        QCoreApplication::sendEvent(canvas, &event);
    }

    void click(const QPoint& cell, Qt::MouseButton button = Qt::LeftButton)
    {
        mouse(QEvent::MouseButtonPress, cell, button, button);
        mouse(QEvent::MouseButtonRelease, cell, button, Qt::NoButton);
    }

    void drag(const QPoint& from, const QPoint& to)
    {
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, QPoint((from.x() + to.x()) / 2, to.y()), Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    }

    MapDocument document;
    QScrollArea area;
    TileSetWidget palette { &document, 40 };
    WorldViewWidget* canvas = nullptr;
};

struct Step
{
    const char* name;
    std::function<void()> apply;
};

} // namespace

void TestRenderEquivalence::initMain()
{
    // Qt's offscreen platform takes its screens from a file, and a scale for
    // each screen from the environment, before the application starts.
    QFile screens(screensFile());
    if (screens.open(QIODevice::WriteOnly)) {
        screens.write(R"({ "screens": [
            { "name": "one", "x": 0, "y": 0, "width": 4000, "height": 3400, "logicalDpi": 96 },
            { "name": "five-fourths", "x": 4000, "y": 0, "width": 4000, "height": 3400, "logicalDpi": 96 },
            { "name": "two", "x": 8000, "y": 0, "width": 4000, "height": 3400, "logicalDpi": 96 } ] })");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screensFile().toLocal8Bit());
    qputenv("QT_SCREEN_SCALE_FACTORS", "one=1;five-fourths=1.25;two=2");
}

void TestRenderEquivalence::cleanupTestCase()
{
    QFile::remove(screensFile());
}

void TestRenderEquivalence::initTestCase()
{
    QVERIFY2(screenOfRatio(1.25) && screenOfRatio(2), "the screens scaled 1.25 and 2 are missing");
    qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    QVERIFY(folder.isValid());
    objectsFile = folder.filePath(QStringLiteral("objects.png"));
    groundFile = folder.filePath(QStringLiteral("ground.png"));
    translucentFile = folder.filePath(QStringLiteral("translucent.png"));
    QVERIFY(objectTiles().save(objectsFile));
    QVERIFY(groundTiles().save(groundFile));
    QVERIFY(translucentTiles().save(translucentFile));
}

void TestRenderEquivalence::editsShowReference_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<bool>("translucent");
    QTest::addColumn<QColor>("gridColour");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<QSize>("window");
    const QList<QPair<const char*, float>> zooms
        = { { "1.0", 1.0f }, { "0.8", 0.8f },   { "0.6", 0.6f }, { "0.4", 0.4f },
            { "0.2", 0.2f }, { "0.35", 0.35f }, { "0.1", 0.1f } };
    for (const auto& zoom : zooms) {
        QTest::newRow(qPrintable(QStringLiteral("zoom %1, colour-keyed art").arg(zoom.first)))
            << zoom.second << false << QColor(Qt::black) << 1.0 << windowSize;
        QTest::newRow(qPrintable(QStringLiteral("zoom %1, translucent art").arg(zoom.first)))
            << zoom.second << true << QColor(Qt::black) << 1.0 << windowSize;
    }
    QTest::newRow("zoom 0.6, translucent art and grid lines")
        << 0.6f << true << QColor(250, 250, 40, 100) << 1.0 << windowSize;
    // Cells and lines on quarters and halves of device pixels.
    QTest::newRow("zoom 1.0, translucent art, screen scale 1.25")
        << 1.0f << true << QColor(Qt::black) << 1.25 << windowSize;
    QTest::newRow("zoom 0.35, colour-keyed art, screen scale 1.25")
        << 0.35f << false << QColor(Qt::black) << 1.25 << windowSize;
    QTest::newRow("zoom 0.6, translucent art and grid lines, screen scale 1.25")
        << 0.6f << true << QColor(250, 250, 40, 100) << 1.25 << windowSize;
    QTest::newRow("zoom 0.8, colour-keyed art, screen scale 2")
        << 0.8f << false << QColor(Qt::black) << 2.0 << windowSize;
    QTest::newRow("zoom 0.2, translucent art, screen scale 2")
        << 0.2f << true << QColor(Qt::black) << 2.0 << windowSize;
    // The whole map on screen at zoom 1.0 takes more than 32 MB of pixels.
    QTest::newRow("zoom 1.0, translucent art, screen scale 2, window of 8.7 million pixels")
        << 1.0f << true << QColor(Qt::black) << 2.0 << QSize(1640, 1400);
}

void TestRenderEquivalence::editsShowReference()
{
    QFETCH(float, zoom);
    QFETCH(bool, translucent);
    QFETCH(QColor, gridColour);
    QFETCH(qreal, ratio);
    QFETCH(QSize, window);
    Editor editor(ratio, window);
    QCOMPARE(editor.area.devicePixelRatioF(), ratio);
    WorldViewWidget& canvas = *editor.canvas;
    setGridColour(canvas, gridColour);
    canvas.setZoom(zoom);
    const QString mapFile = folder.filePath(QStringLiteral("sequence.map"));
    const QString topSet = translucent ? translucentFile : objectsFile;

    const QList<Step> steps = {
        { "shown empty", [] {} },
        { "tile sets loaded",
          [&] {
              QVERIFY(editor.palette.loadTileSet(groundFile));
              QVERIFY(editor.palette.loadTileSet(topSet));
          } },
        { "grid lines off", [&] { canvas.showGridLines(false); } },
        { "bottom layer alone, every other cell painted",
          [&] {
              // Each empty cell is filled one pixel wider than itself, into
              // its neighbours' clear pixels, on every cell boundary.
              canvas.setLayer(false);
              for (int x = 0; x < MapWidth; ++x) {
                  for (int y = x % 2; y < MapHeight; y += 2) {
                      editor.useBrush(topSet, x + y);
                      editor.click(QPoint(x, y));
                  }
              }
          } },
        { "top layer shown again", [&] { canvas.setLayer(true); } },
        { "top tiles painted over empty and full bottom cells",
          [&] {
              for (int i = 0; i < 16; ++i) {
                  editor.useBrush(topSet, i);
                  editor.click(QPoint(i, i % 5));
              }
          } },
        { "paint drag on the top layer",
          [&] {
              editor.useBrush(topSet, 1);
              editor.drag(QPoint(1, 6), QPoint(20, 6));
          } },
        { "opaque top tiles on the empty bottom cells of two rows and two columns",
          [&] {
              // Their widened squares reach one pixel into the next cell, whose
              // own tile there is clear: on every cell boundary of these rows
              // and columns. Each one is checked on its own, before a later
              // repaint nearby could cover a fault; in a large window, where
              // that takes long, all of them at the end of the step.
              const bool eachOnItsOwn = editor.visibleDevicePixels() < 2000000;
              const auto paintAndCheck = [&](const QPoint& cell) {
                  editor.useBrush(groundFile, cell.x() + cell.y());
                  editor.click(cell);
                  // The cursor mark would hide the pixels looked for.
                  editor.click(QPoint(MapWidth - 1, MapHeight - 1), Qt::RightButton);
                  if (!eachOnItsOwn)
                      return;
                  const QString difference = editor.differenceOnScreen();
                  QVERIFY2(difference.isEmpty(),
                           qPrintable(
                               QStringLiteral("cell %1,%2: %3").arg(cell.x()).arg(cell.y()).arg(difference)));
              };
              for (int x = 0; x < MapWidth && !QTest::currentTestFailed(); ++x)
                  paintAndCheck(QPoint(x, 10 + (x + 1) % 2));
              for (int y = 0; y < MapHeight && !QTest::currentTestFailed(); ++y)
                  paintAndCheck(QPoint(12 + y % 2, y));
          } },
        { "bottom layer shown alone", [&] { canvas.setLayer(false); } },
        { "ground painted on the bottom layer",
          [&] {
              for (int i = 0; i < 4; ++i) {
                  editor.useBrush(groundFile, i);
                  editor.click(QPoint(2 * i, 1 + i));
                  editor.click(QPoint(2 * i + 1, 1 + i));
              }
          } },
        { "square fill on the bottom layer",
          [&] {
              canvas.setTool(WorldViewWidget::Square);
              editor.useBrush(groundFile, 2);
              editor.drag(QPoint(5, 2), QPoint(13, 9));
          } },
        { "square fill undone", [&] { canvas.history().undo(); } },
        { "square fill redone", [&] { canvas.history().redo(); } },
        { "top layer shown over the fill", [&] { canvas.setLayer(true); } },
        { "bottom cells erased under top tiles",
          [&] {
              canvas.setLayer(false);
              canvas.setTool(WorldViewWidget::Erase);
              editor.drag(QPoint(6, 6), QPoint(9, 6));
              canvas.setLayer(true);
          } },
        { "top cells erased by a drag",
          [&] {
              canvas.setTool(WorldViewWidget::Erase);
              editor.drag(QPoint(2, 4), QPoint(4, 4));
          } },
        { "selection copied and pasted",
          [&] {
              canvas.setTool(WorldViewWidget::Select);
              editor.drag(QPoint(0, 0), QPoint(3, 2));
              canvas.copy();
              editor.click(QPoint(8, 7), Qt::RightButton);
              canvas.paste();
          } },
        { "selection cut",
          [&] {
              editor.drag(QPoint(5, 3), QPoint(6, 5));
              canvas.cut();
          } },
        { "single cell pasted at the map's edge",
          [&] {
              editor.click(QPoint(1, 1));
              canvas.copy();
              editor.click(QPoint(MapWidth - 1, MapHeight - 1), Qt::RightButton);
              canvas.paste();
          } },
        { "pass marks shown",
          [&] {
              canvas.setTool(WorldViewWidget::Pass);
              editor.settle();
              editor.click(QPoint(3, 3));
              editor.click(QPoint(10, 0));
          } },
        { "pass marks gone again", [&] { canvas.setTool(WorldViewWidget::Paint); } },
        { "start point and marks moved",
          [&] {
              editor.click(QPoint(4, 5), Qt::RightButton);
              canvas.setStartPoint();
              editor.mouse(QEvent::MouseMove, QPoint(9, 7), Qt::NoButton, Qt::NoButton);
          } },
        { "a stamp's preview under the pointer",
          [&] {
              canvas.document()->setBrushTiles(1, QRect(0, 0, 3, 2));
              editor.mouse(QEvent::MouseMove, QPoint(5, 1), Qt::NoButton, Qt::NoButton);
          } },
        { "the stamp laid under its preview", [&] { editor.click(QPoint(5, 1)); } },
        { "that undone under the preview", [&] { canvas.history().undo(); } },
        { "grid lines on", [&] { canvas.showGridLines(true); } },
        { "grid lines of another colour over the preview",
          [&] { setGridColour(canvas, QColor(200, 30, 90)); } },
        { "grid lines of their colour again", [&] { setGridColour(canvas, gridColour); } },
        // The canvas now lies partly left of and above the window's corner.
        { "scrolled part of the way", [&] { editor.scrollTo(0.37); } },
        { "paint with grid lines",
          [&] {
              editor.useBrush(topSet, 0);
              editor.drag(QPoint(0, 8), QPoint(9, 8));
          } },
        { "zoomed to 0.2", [&] { canvas.setZoom(0.2f); } },
        { "translucent tiles over translucent tiles at 0.2",
          [&] {
              canvas.setLayer(false);
              editor.useBrush(topSet, 1);
              editor.drag(QPoint(20, 20), QPoint(30, 20));
              canvas.setLayer(true);
              editor.useBrush(topSet, 2);
              editor.drag(QPoint(25, 20), QPoint(33, 20));
          } },
        { "that undone", [&] { canvas.history().undo(); } },
        { "painted at 0.2",
          [&] {
              editor.useBrush(topSet, 3);
              editor.click(QPoint(31, 2));
              editor.click(QPoint(32, 3));
          } },
        { "zoomed back", [&] { canvas.setZoom(zoom); } },
        { "map grown", [&] { canvas.resizeWorld(MapWidth + 2, MapHeight + 2); } },
        { "painted in the new cells",
          [&] {
              editor.useBrush(topSet, 2);
              editor.click(QPoint(MapWidth + 1, MapHeight + 1));
          } },
        { "map shrunk", [&] { canvas.resizeWorld(MapWidth - 3, MapHeight - 5); } },
        { "saved and imported in pass mode",
          [&] {
              QVERIFY(canvas.writeMapFile(mapFile));
              canvas.setTool(WorldViewWidget::Pass);
              QVERIFY(canvas.readMapFile(mapFile));
          } },
        { "set cleared", [&] { canvas.clearSet(); } },
        { "imported into the cleared set", [&] { QVERIFY(canvas.readMapFile(mapFile)); } },
    };

    for (const Step& step : steps) {
        step.apply();
        if (QTest::currentTestFailed())
            QFAIL(step.name);
        const QString difference = editor.differenceOnScreen();
        QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("%1: %2").arg(step.name, difference)));
        // Every picture on screen came from the cache, which holds all of it.
        QVERIFY2(canvas.pictureCache().bytesUsed() >= 4 * editor.visibleDevicePixels() * 9 / 10, step.name);
    }
}

void TestRenderEquivalence::partialRepaintsShowReference_data()
{
    QTest::addColumn<float>("zoom");
    QTest::addColumn<QList<QRect>>("areas");
    QTest::newRow("zoom 1.0, inside one cell") << 1.0f << QList<QRect> { QRect(45, 45, 10, 10) };
    QTest::newRow("zoom 1.0, across cells and lines") << 1.0f << QList<QRect> { QRect(35, 75, 90, 50) };
    QTest::newRow("zoom 1.0, two apart")
        << 1.0f << QList<QRect> { QRect(3, 3, 30, 30), QRect(300, 200, 61, 47) };
    QTest::newRow("zoom 0.8, one pixel on a line") << 0.8f << QList<QRect> { QRect(64, 10, 1, 1) };
    QTest::newRow("zoom 0.6, strip along a line") << 0.6f << QList<QRect> { QRect(0, 71, 289, 3) };
    QTest::newRow("zoom 0.35, across the gaps")
        << 0.35f << QList<QRect> { QRect(20, 10, 77, 33), QRect(100, 50, 9, 9) };
    QTest::newRow("zoom 0.2, right and bottom edge") << 0.2f << QList<QRect> { QRect(300, 260, 21, 13) };
}

void TestRenderEquivalence::partialRepaintsShowReference()
{
    // Each area is painted in one paint event, after edits that the cache
    // has not drawn yet: cells must come out right wherever a repaint starts.
    QFETCH(float, zoom);
    QFETCH(QList<QRect>, areas);
    Editor editor;
    WorldViewWidget& canvas = *editor.canvas;
    canvas.setZoom(zoom);
    QVERIFY(editor.palette.loadTileSet(groundFile));
    QVERIFY(editor.palette.loadTileSet(objectsFile));
    for (int i = 0; i < 12; ++i) {
        editor.useBrush(objectsFile, i);
        editor.click(QPoint(i, (i * 5) % 9));
    }
    QVERIFY(editor.differenceOnScreen().isEmpty());

    editor.useBrush(objectsFile, 4);
    canvas.setTool(WorldViewWidget::Square);
    editor.drag(QPoint(0, 0), QPoint(11, 8));
    // The filled cells are repainted on screen only after the areas have
    // been rendered, each bringing its own part of the cache up to date.
    for (const QRect& area : areas) {
        QImage partial(canvas.size(), QImage::Format_ARGB32_Premultiplied);
        partial.fill(viewportColour);
        canvas.render(&partial, area.topLeft(), QRegion(area), QWidget::RenderFlags());
        const QString difference = firstDifference(partial, referenceRendering(canvas, viewportColour), area);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
    const QString difference = editor.differenceOnScreen();
    QVERIFY2(difference.isEmpty(), qPrintable(QStringLiteral("whole canvas: %1").arg(difference)));

    // The areas repainted together, as one region, on screen.
    editor.useBrush(objectsFile, 7);
    canvas.setTool(WorldViewWidget::Square);
    editor.drag(QPoint(0, 0), QPoint(11, 8));
    editor.settle();
    for (const QRect& area : areas)
        canvas.update(area);
    const QString shown = editor.differenceOnScreen();
    QVERIFY2(shown.isEmpty(), qPrintable(QStringLiteral("after repainting the areas: %1").arg(shown)));
}

void TestRenderEquivalence::importWithOtherImagesInSameSlots()
{
    // The same cell records, but the file names its tile sets the other way
    // round: every cell now draws from another image at the same slot.
    Editor editor;
    WorldViewWidget& canvas = *editor.canvas;
    QVERIFY(editor.palette.loadTileSet(objectsFile));
    QVERIFY(editor.palette.loadTileSet(groundFile));
    for (int i = 0; i < 12; ++i) {
        editor.useBrush(i % 2 ? objectsFile : groundFile, i % 4);
        editor.click(QPoint(i, i % 9));
    }
    const QString first = folder.filePath(QStringLiteral("first.map"));
    QVERIFY(canvas.writeMapFile(first));
    QVERIFY(editor.differenceOnScreen().isEmpty());

    QFile file(first);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QByteArray content = file.readAll();
    file.close();
    const QByteArray objects = objectsFile.toLatin1(), ground = groundFile.toLatin1();
    content.replace(objects, "\x01").replace(ground, objects).replace("\x01", ground);
    const QString swapped = folder.filePath(QStringLiteral("swapped.map"));
    QFile out(swapped);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(content);
    out.close();

    QVERIFY(canvas.readMapFile(swapped));
    QCOMPARE(canvas.tileSetName(0), groundFile);
    const QString difference = editor.differenceOnScreen();
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestRenderEquivalence::passFlagsClearedWithoutTileSets()
{
    // Clearing the set changes only pass flags here, and no tile set.
    Editor editor;
    WorldViewWidget& canvas = *editor.canvas;
    canvas.setTool(WorldViewWidget::Pass);
    for (int i = 0; i < 10; ++i)
        editor.click(QPoint(i, i));
    QVERIFY(canvas.topLayerCells()[4][4].pass);
    QVERIFY(editor.differenceOnScreen().isEmpty());
    canvas.clearSet();
    QVERIFY(!canvas.topLayerCells()[4][4].pass);
    const QString difference = editor.differenceOnScreen();
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestRenderEquivalence::outlinePixelsKept_data()
{
    QTest::addColumn<bool>("topLayer");
    QTest::addColumn<bool>("groundBelow");
    // Over an empty bottom cell a top tile is stretched over the wider
    // square; the reference comparison covers it.
    QTest::newRow("top layer over ground") << true << true;
    QTest::newRow("bottom layer") << false << false;
}

void TestRenderEquivalence::outlinePixelsKept()
{
    // At zoom 1.0 each tile shows its source square pixel for pixel: every
    // pixel of the black outline, most of them touching the clear background,
    // must come out black, drawn through the cache as on screen.
    QFETCH(bool, topLayer);
    QFETCH(bool, groundBelow);
    Editor editor;
    WorldViewWidget& canvas = *editor.canvas;
    QImage art(160, 40, QImage::Format_ARGB32);
    art.fill(Qt::transparent);
    {
        QPainter painter(&art);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::black, 2));
        painter.setBrush(QColor(30, 200, 90));
        for (int index = 0; index < 4; ++index)
            painter.drawEllipse(QRectF(index * 40 + 1, 1 + index, 38 - index, 36 - index));
    }
    const QString outlined = folder.filePath(QStringLiteral("outlined.png"));
    QVERIFY(art.save(outlined));
    QVERIFY(editor.palette.loadTileSet(groundFile));
    QVERIFY(editor.palette.loadTileSet(outlined));
    canvas.showGridLines(false);
    if (groundBelow) {
        canvas.setLayer(false);
        for (int index = 0; index < 4; ++index) {
            editor.useBrush(groundFile, 0);
            editor.click(QPoint(index, 1));
        }
    }
    canvas.setLayer(topLayer);
    for (int index = 0; index < 4; ++index) {
        editor.useBrush(outlined, index);
        editor.click(QPoint(index, 1));
    }
    // The cursor marks would cover the tiles.
    editor.click(QPoint(MapWidth - 1, MapHeight - 1), Qt::RightButton);
    editor.mouse(QEvent::MouseMove, QPoint(MapWidth - 1, MapHeight - 1), Qt::NoButton, Qt::NoButton);
    const QImage shown = canvasRendering(canvas, viewportColour);
    QVERIFY(canvas.pictureCache().bytesUsed() > 0);

    int outline = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 160; ++x) {
            if (art.pixel(x, y) != qRgba(0, 0, 0, 255))
                continue;
            ++outline;
            const QPoint at = canvas.cellRect(x / 40, 1).topLeft() + QPoint(x % 40, y);
            QVERIFY2(shown.pixel(at) == qRgb(0, 0, 0),
                     qPrintable(QStringLiteral("outline pixel %1,%2 shows #%3")
                                    .arg(x)
                                    .arg(y)
                                    .arg(shown.pixel(at), 8, 16, QLatin1Char('0'))));
        }
    }
    QVERIFY2(outline > 200, qPrintable(QString::number(outline)));
    const QString difference = editor.differenceOnScreen();
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

QTEST_MAIN(TestRenderEquivalence)
#include "tst_renderequivalence.moc"

#include "app/mainwindow.h"
#include "canvas/worldviewwidget.h"
#include "palette/tilesetwidget.h"

#include "support/modalanswerer.h"
#include "support/windowstate.h"

#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>

namespace {

QString writeImage(const QTemporaryDir& dir, const QString& name, int width = 330, int height = 170)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int column = 0; column < width / 40; ++column) {
        for (int row = 0; row < height / 40; ++row)
            painter.fillRect(column * 40, row * 40, 40, 40, QColor(30 * column, 50 * row, 100));
    }
    painter.end();
    const QString path = dir.filePath(name);
    return image.save(path) ? path : QString();
}

// Both lists, slot by slot, and what each widget shows or holds from them.
struct WiringState
{
    QStringList paletteNames;
    QStringList canvasNames;
    QSize grid;
    QPoint selected;
    const QPixmap* paletteTileImage;
    int brushIndex;
    QString brushFile;

    WiringState(const TileSetWidget& palette, const WorldViewWidget& canvas)
        : grid(palette.gridSize())
        , selected(palette.selectedTile())
        , paletteTileImage(palette.tileAt(0, 0) ? palette.tileAt(0, 0)->tileSet : nullptr)
        , brushIndex(canvas.brushTile().tileIndex)
        , brushFile(canvas.brushTile().tileSetFile)
    {
        for (int slot = 0; slot < palette.tileSetTotal(); ++slot)
            paletteNames << palette.tileSetName(slot);
        for (int slot = 0; slot < canvas.tileSetTotal(); ++slot)
            canvasNames << canvas.tileSetName(slot);
    }

    bool operator==(const WiringState& other) const
    {
        return paletteNames == other.paletteNames && canvasNames == other.canvasNames
            && grid == other.grid && selected == other.selected
            && paletteTileImage == other.paletteTileImage && brushIndex == other.brushIndex
            && brushFile == other.brushFile;
    }
};

} // namespace

class TestPaletteWiring : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void paletteSitsInItsPane();
    void canvasStoresEachSetDuringTheEmission();
    void bothListsNameTheSameFileInEachSlot();
    void pressMakesTheTileTheCanvasBrush();
    void canvasClearSetEmptiesThePalette();
    void refusedLoadChangesNeitherWidget_data();
    void refusedLoadChangesNeitherWidget();

private:
    QTemporaryDir dir;
    MainWindow* window = nullptr;
    TileSetWidget* palette = nullptr;
    WorldViewWidget* canvas = nullptr;
};

void TestPaletteWiring::init()
{
    window = new MainWindow;
    QVERIFY2(showExposed(window), "the window was not exposed");
    palette = window->findChild<TileSetWidget*>();
    canvas = window->findChild<WorldViewWidget*>();
    QVERIFY(palette);
    QVERIFY(canvas);
}

void TestPaletteWiring::cleanup()
{
    delete window;
    window = nullptr;
}

void TestPaletteWiring::paletteSitsInItsPane()
{
    QCOMPARE(palette->tileSize(), 40);
    auto* pane = qobject_cast<QScrollArea*>(palette->parentWidget()->parentWidget());
    QVERIFY(pane);
    QCOMPARE(pane->widget(), palette);
    QCOMPARE(pane->maximumWidth(), 387);
    QCOMPARE(pane->viewport()->backgroundRole(), QPalette::Light);
    QVERIFY(pane->viewport()->autoFillBackground());
}

void TestPaletteWiring::canvasStoresEachSetDuringTheEmission()
{
    // Connected after the window's own connections, so this runs after both
    // lists took the set but before the palette shows it.
    QStringList seen;
    connect(palette, &TileSetWidget::tileSetAdded, this,
            [this, &seen](QPixmap* newSet, QString newFile) {
                const int slot = seen.size();
                seen << newFile;
                QCOMPARE(canvas->tileSetTotal(), slot + 1);
                QCOMPARE(canvas->tileSetName(slot), newFile);
                QCOMPARE(canvas->tileSetImage(slot)->size(), newSet->size());
                QCOMPARE(palette->tileSetTotal(), slot + 1);
                QVERIFY(palette->gridSize() != QSize(newSet->width() / 40, newSet->height() / 40));
            });

    const QString first = writeImage(dir, QStringLiteral("first.png"));
    const QString second = writeImage(dir, QStringLiteral("second.png"), 80, 120);
    QVERIFY(palette->loadTileSet(first));
    QVERIFY(palette->loadTileSet(second));
    QCOMPARE(seen, QStringList({first, second}));
}

void TestPaletteWiring::bothListsNameTheSameFileInEachSlot()
{
    const QString a = writeImage(dir, QStringLiteral("a.png"));
    const QString b = writeImage(dir, QStringLiteral("b.bmp"), 120, 40);
    const QString c = writeImage(dir, QStringLiteral("c.jpg"), 200, 80);
    const QStringList loads{a, b, a, c};
    for (const QString& file : loads)
        QVERIFY(palette->loadTileSet(file));

    QCOMPARE(palette->tileSetTotal(), loads.size());
    QCOMPARE(canvas->tileSetTotal(), loads.size());
    for (int slot = 0; slot < loads.size(); ++slot) {
        QCOMPARE(palette->tileSetName(slot), loads.at(slot));
        QCOMPARE(canvas->tileSetName(slot), loads.at(slot));
        QCOMPARE(canvas->tileSetImage(slot)->size(), palette->tileSetImage(slot)->size());
        // The canvas masks its own copy only.
        QVERIFY(!palette->tileSetImage(slot)->hasAlpha());
    }
    QCOMPARE(palette->gridSize(), QSize(5, 2));
    QCOMPARE(palette->tileAt(4, 1)->tileSet, palette->tileSetImage(3));
}

void TestPaletteWiring::pressMakesTheTileTheCanvasBrush()
{
    const QString file = writeImage(dir, QStringLiteral("brush.png"));
    QVERIFY(palette->loadTileSet(file));
    Tile* picked = nullptr;
    connect(palette, &TileSetWidget::tileSelected, this, [&picked](Tile& tile) { picked = &tile; });

    QTest::mousePress(palette, Qt::LeftButton, {}, QPoint(70, 40));

    QCOMPARE(picked, palette->tileAt(2, 1));
    const Tile& brush = canvas->brushTile();
    QVERIFY(&brush != picked);
    QCOMPARE(brush.tileIndex, 10);
    QCOMPARE(brush.tileSetFile, file);
    QCOMPARE(brush.tileSet, palette->tileSetImage(0));
    QCOMPARE(brush.pass, false);

    // A later load moves the palette's frame but leaves the brush alone.
    QVERIFY(palette->loadTileSet(writeImage(dir, QStringLiteral("other.png"), 80, 80)));
    QCOMPARE(palette->selectedTile(), QPoint(0, 0));
    QCOMPARE(canvas->brushTile().tileIndex, 10);
    QCOMPARE(canvas->brushTile().tileSetFile, file);
}

void TestPaletteWiring::canvasClearSetEmptiesThePalette()
{
    QVERIFY(palette->loadTileSet(writeImage(dir, QStringLiteral("one.png"))));
    QVERIFY(palette->loadTileSet(writeImage(dir, QStringLiteral("two.png"))));
    int selections = 0;
    connect(palette, &TileSetWidget::tileSelected, this, [&selections](Tile&) { ++selections; });

    canvas->clearSet();

    QCOMPARE(palette->tileSetTotal(), 0);
    QCOMPARE(canvas->tileSetTotal(), 0);
    QVERIFY(palette->tileSetName(0).isNull());
    QVERIFY(palette->tileSetImage(0)->isNull());
    QCOMPARE(palette->sizeHint(), QSize(1, 129));
    QCOMPARE(palette->tileAt(0, 0), nullptr);
    QTest::mousePress(palette, Qt::LeftButton, {}, QPoint(0, 5));
    QCOMPARE(selections, 0);
    QVERIFY(canvas->brushTile().isEmpty());

    const QString next = writeImage(dir, QStringLiteral("next.png"), 120, 80);
    QVERIFY(palette->loadTileSet(next));
    QCOMPARE(palette->tileSetTotal(), 1);
    QCOMPARE(canvas->tileSetTotal(), 1);
    QCOMPARE(palette->tileSetName(0), next);
    QCOMPARE(canvas->tileSetName(0), next);
    QCOMPARE(palette->tileAt(0, 0)->tileSet, palette->tileSetImage(0));
}

void TestPaletteWiring::refusedLoadChangesNeitherWidget_data()
{
    QTest::addColumn<int>("earlierLoads");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("secondLine");

    const QString plain = writeImage(dir, QStringLiteral("plain.png"));
    QTest::newRow("41st load") << 40 << plain
                               << QStringLiteral("At most 40 tile sets can be loaded.");
    // The images exist, so only their names are at fault.
    const QString spaced = writeImage(dir, QStringLiteral("my tiles.png"));
    QTest::newRow("name with a space")
        << 1 << spaced
        << QStringLiteral("The name \"%1\" cannot be stored in a map file: "
                          "the name holds white space.").arg(spaced);
    const QString tabbed = writeImage(dir, QStringLiteral("my\ttiles.png"));
    QTest::newRow("name with a tab")
        << 1 << tabbed
        << QStringLiteral("The name \"%1\" cannot be stored in a map file: "
                          "the name holds white space.").arg(tabbed);
    const QString cyrillic = writeImage(dir, QString::fromUtf8("\xd0\xb6tiles.png"));
    QTest::newRow("name outside Latin-1")
        << 1 << cyrillic
        << QStringLiteral("The name \"%1\" cannot be stored in a map file: "
                          "the name holds a character outside Latin-1.").arg(cyrillic);
}

void TestPaletteWiring::refusedLoadChangesNeitherWidget()
{
    QFETCH(int, earlierLoads);
    QFETCH(QString, file);
    QFETCH(QString, secondLine);
    QVERIFY(QFileInfo::exists(file));

    const QString earlier = writeImage(dir, QStringLiteral("earlier.png"));
    for (int load = 0; load < earlierLoads; ++load)
        QVERIFY(palette->loadTileSet(earlier));
    QTest::mousePress(palette, Qt::LeftButton, {}, QPoint(70, 40));
    const WiringState before(*palette, *canvas);
    QCOMPARE(before.brushIndex, 10);

    ModalAnswerer answerer;
    answerer.expectMessageBox(QMessageBox::Ok);
    QVERIFY(!palette->loadTileSet(file));
    VERIFY_ANSWERED(answerer);

    QVERIFY(answerer.allAnswered());
    QCOMPARE(answerer.seenTitles(), QStringList{QStringLiteral("TileSet Load")});
    QCOMPARE(answerer.seenTexts().value(0),
             QStringLiteral("File could not be loaded...\n") + secondLine);
    QVERIFY(WiringState(*palette, *canvas) == before);
    QCOMPARE(palette->tileSetTotal(), earlierLoads);
    QCOMPARE(canvas->tileSetTotal(), earlierLoads);
}

QTEST_MAIN(TestPaletteWiring)
#include "tst_palettewiring.moc"

// Measures the editor on its largest map, with plain and with translucent
// tile art: repaints, also at a screen scale of 2 and in a 3840 x 2160
// window, the first paint after a zoom change, drags, square and flood
// fills, moving the map's cells, stamps and their preview, saving and
// importing, the command line's render, the palette, reloading a changed tile
// set and memory. Prints a table, or with --tsv one line per figure: name,
// median, unit, floor, ratio. The figures at a screen scale of 2 and those of
// the largest map are measured in processes of their own.

#include "benchdata.h"
#include "benchfigure.h"
#include "benchtiming.h"
#include "decodingbench.h"
#include "paintrecorder.h"
#include "tmxbenchdata.h"

#include "app/mainwindow.h"
#include "canvas/worldviewwidget.h"
#include "document/mapdocument.h"
#include "mapcli/mapcommand.h"
#include "mapfile/mapdata.h"
#include "mapfile/mapparser.h"
#include "palette/tilesetwidget.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

class Bench
{
public:
    Bench(MainWindow& window, const BenchFiles& files, const QString& folder);
    QList<Figure> run();
    // The repaint figures at the screen scale of this process, their names
    // ending in `suffix`.
    QList<Figure> runAtScale(const QString& suffix, const QString& scale);

private:
    Figure memory();
    Figure repaint(const QString& name, const QString& title, double goal, double goalRatio);
    Figure firstPaint(const QString& name, const QString& title, double goal);
    // Repaints of a 3840 x 2160 viewport at zoom 1.0, 0.6 and 0.2.
    QList<Figure> largeWindow();
    QList<Figure> translucentArt(double plainImport);
    // Times an edit with its repaint: one run to warm up, one that learns
    // which pixels it repaints (the floor copies as many), then `runs`
    // timed ones.
    Figure editFigure(const char* name, const QString& title, int runs, double goal,
                      const std::function<void()>& work);
    Figure dragStep(const char* name, const QString& title, int tool);
    Figure squareFill();
    Figure floodFill(const char* name, const QString& title, double goal);
    Figure undoFill();
    // The map's cells moved one cell and back, a drag with a stamp, and the
    // stamp's preview following the pointer; the map is imported again
    // afterwards.
    QList<Figure> layoutTools();
    // The top layer one tile, by a square fill of the whole map: one step.
    void fillWholeMap(int tile);
    QList<Figure> mapFile();
    Figure commandLineRender();
    Figure tmxImport();
    Figure pseudoFileRefusal();
    Figure commandLineProcess();
    Figure paletteRepaint();
    Figure reloadLargeTileSet();

    void setViewport(const QSize& size);
    void scrollTo(double fractionX, double fractionY);
    void mouse(QEvent::Type type, const QPoint& cell, Qt::MouseButton button, Qt::MouseButtons held,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // A left-button drag from one cell to another.
    void drag(const QPoint& from, const QPoint& to);
    void useBrush(int tileIndex);
    void repaintNow();
    QString viewportText() const;

    MainWindow& window;
    const BenchFiles& files;
    const QString folder;
    WorldViewWidget* canvas;
    TileSetWidget* palette;
    QScrollArea* canvasArea;
    PaintRecorder canvasPaints;
    Tile brush;
};

Bench::Bench(MainWindow& window, const BenchFiles& files, const QString& folder)
    : window(window)
    , files(files)
    , folder(folder)
    , canvas(window.findChild<WorldViewWidget*>())
    , palette(window.findChild<TileSetWidget*>())
    , canvasArea(qobject_cast<QScrollArea*>(canvas->parentWidget()->parentWidget()))
    , canvasPaints(canvas)
{
    brush.tileSetFile = files.mapTileSets.value(1);
}

void Bench::setViewport(const QSize& size)
{
    // The splitter and the scroll bars share out the window's size, so the
    // window is adjusted until the canvas's viewport has the size asked for.
    for (int attempt = 0; attempt < 8 && canvasArea->viewport()->size() != size; ++attempt) {
        const QSize missing = size - canvasArea->viewport()->size();
        window.resize(window.size() + missing);
        QApplication::processEvents();
    }
}

void Bench::scrollTo(double fractionX, double fractionY)
{
    QScrollBar* horizontal = canvasArea->horizontalScrollBar();
    QScrollBar* vertical = canvasArea->verticalScrollBar();
    horizontal->setValue(int(horizontal->maximum() * fractionX));
    vertical->setValue(int(vertical->maximum() * fractionY));
    QApplication::processEvents();
}

QString Bench::viewportText() const
{
    const QSize size = canvasArea->viewport()->size();
    return QStringLiteral("%1 x %2").arg(size.width()).arg(size.height());
}

void Bench::mouse(QEvent::Type type, const QPoint& cell, Qt::MouseButton button, Qt::MouseButtons held,
                  Qt::KeyboardModifiers modifiers)
{
    const QPointF pixel = canvas->cellRect(cell).center();
    QMouseEvent event(type, pixel, canvas->mapToGlobal(pixel), button, held, modifiers);
    QApplication::sendEvent(canvas, &event);
}

void Bench::useBrush(int tileIndex)
{
    brush.tileIndex = tileIndex;
    canvas->setBrushTile(brush);
}

void Bench::drag(const QPoint& from, const QPoint& to)
{
    mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

void Bench::repaintNow()
{
    // The update requests of an edit are served by the next pass of the
    // event loop (main() sets Qt's idle time before an update to zero).
    QApplication::processEvents();
}

QList<Figure> Bench::run()
{
    QList<Figure> figures;
    const Figure rss = memory();

    // At zoom 0.2 the whole map is on screen.
    canvas->setZoom(0.2f);
    setViewport(canvas->sizeHint());
    figures << repaint(QStringLiteral("repaint_whole_z02"),
                       QStringLiteral("repaint of the whole map at zoom 0.2 (%1)").arg(viewportText()), 4, 1.6);
    figures << firstPaint(QStringLiteral("first_paint_z02"),
                          QStringLiteral("first paint of the whole map after zooming to 0.2"), 4);
    figures << dragStep("drag_paint_z02", QStringLiteral("paint drag step at zoom 0.2"),
                        WorldViewWidget::Paint);
    figures << floodFill("flood_fill_255_z02",
                         QStringLiteral("flood fill of the whole map seen at zoom 0.2, with its repaint"), 6);

    canvas->setZoom(1.0f);
    setViewport(QSize(1000, 650));
    scrollTo(0.5, 0.5);
    figures.prepend(repaint(QStringLiteral("repaint_viewport_z1"),
                            QStringLiteral("repaint of a %1 viewport at zoom 1.0").arg(viewportText()), 1, 1.6));
    figures << largeWindow();
    canvas->setZoom(1.0f);
    setViewport(QSize(1000, 650));
    scrollTo(0, 0);
    figures << dragStep("drag_paint_z1", QStringLiteral("paint drag step at zoom 1.0"),
                        WorldViewWidget::Paint);
    figures << dragStep("drag_select_z1", QStringLiteral("select drag step at zoom 1.0"),
                        WorldViewWidget::Select);
    figures << squareFill();
    figures << floodFill(
        "flood_fill_255",
        QStringLiteral("flood fill of a %1 x %1 region at zoom 1.0, with its repaint").arg(BenchMapSide), 20);
    figures << undoFill();
    const QList<Figure> files = mapFile();
    figures << files;
    figures << commandLineRender();
    figures << tmxImport();
    figures << pseudoFileRefusal();
    figures << commandLineProcess();
    figures << translucentArt(files.last().median);
    figures << layoutTools();
    figures << paletteRepaint();
    figures << reloadLargeTileSet();
    figures << rss;
    return figures;
}

QList<Figure> Bench::runAtScale(const QString& suffix, const QString& scale)
{
    QList<Figure> figures;
    const QList<QPair<QString, QString>> maps = { { files.map, QString() },
                                                  { files.alphaMap, QStringLiteral("_alpha") } };
    for (const auto& [map, art] : maps) {
        const QString translucent = art.isEmpty() ? QString() : QStringLiteral(", translucent art");
        canvas->readMapFile(map);
        canvas->setZoom(0.2f);
        setViewport(canvas->sizeHint());
        figures << repaint(QStringLiteral("repaint_whole_z02") + art + suffix,
                           QStringLiteral("repaint of the whole map at zoom 0.2, screen scale %1%2")
                               .arg(scale, translucent),
                           0, 1.6);
        if (art.isEmpty()) {
            figures << firstPaint(QStringLiteral("first_paint_z02") + suffix,
                                  QStringLiteral("first paint of the whole map after zooming to 0.2, screen scale %1")
                                      .arg(scale),
                                  16);
        }
        canvas->setZoom(1.0f);
        setViewport(QSize(1000, 650));
        scrollTo(0.5, 0.5);
        figures << repaint(QStringLiteral("repaint_viewport_z1") + art + suffix,
                           QStringLiteral("repaint of a %1 viewport at zoom 1.0, screen scale %2%3")
                               .arg(viewportText(), scale, translucent),
                           0, 1.6);
    }
    return figures;
}

QList<Figure> Bench::largeWindow()
{
    QList<Figure> figures;
    setViewport(QSize(3840, 2160));
    const QList<QPair<float, const char*>> zooms = { { 1.0f, "1" }, { 0.6f, "06" }, { 0.2f, "02" } };
    for (const auto& [zoom, name] : zooms) {
        canvas->setZoom(zoom);
        QApplication::processEvents();
        scrollTo(0.5, 0.5);
        figures << repaint(QStringLiteral("repaint_4k_z%1").arg(QLatin1String(name)),
                           QStringLiteral("repaint of a %1 viewport at zoom %2")
                               .arg(viewportText(), QString::number(zoom, 'f', 1)),
                           0, 1.6);
    }
    return figures;
}

Figure Bench::memory()
{
    // The window keeps the size that shows the whole map at zoom 0.2, so
    // that its backing store weighs the same in all three measurements and
    // the cache of the cells' picture is at its largest.
    setViewport(QSize(2041, 2041));
    canvas->repaint();
    const double empty = residentMegabytes();
    canvas->readMapFile(files.map);
    QApplication::processEvents();
    canvas->repaint();
    const double atFullZoom = residentMegabytes();
    canvas->setZoom(0.2f);
    QApplication::processEvents();
    canvas->repaint();
    const double zoomedOut = residentMegabytes();

    // The floor: the map's cells in both layers and the canvas's copies of
    // the tile-set images, as bytes filled in one block.
    qint64 bytes = 2 * qint64(sizeof(Cell)) * BenchMapSide * BenchMapSide;
    for (int slot = 0; slot < canvas->tileSetTotal(); ++slot) {
        const QPixmap* image = canvas->tileSetImage(slot);
        bytes += qint64(image->width()) * image->height() * 4;
    }
    canvas->setZoom(1.0f);
    return { QStringLiteral("rss_255"),
             QStringLiteral("resident memory with the map, over the empty editor (%1 viewport)")
                 .arg(viewportText()),
             std::max(atFullZoom, zoomedOut) - empty,
             QStringLiteral("MB"),
             fillBytesMegabytes(bytes),
             60 };
}

Figure Bench::repaint(const QString& name, const QString& title, double goal, double goalRatio)
{
    QApplication::processEvents();
    canvasPaints.reset();
    canvas->repaint();
    const QRect painted = canvasPaints.paintedInWindow();
    const double median = medianMilliseconds(41, [this] { canvas->repaint(); });
    const double floorTime = repaintFloorMilliseconds(*canvas, painted, 41);
    return { name, title, median, QStringLiteral("ms"), floorTime, goal, goalRatio };
}

Figure Bench::firstPaint(const QString& name, const QString& title, double goal)
{
    // Each run paints at zoom 1.0 first, untimed, so that the picture kept
    // of the cells is of another zoom; then the zoom change to 0.2 and the
    // repaint are timed.
    constexpr int runs = 11;
    std::vector<double> times;
    QElapsedTimer timer;
    canvasPaints.reset();
    for (int run = 0; run <= runs; ++run) {
        // Without a pass of the event loop in between, the scroll area keeps
        // its viewport and scroll bars.
        canvas->setZoom(1.0f);
        canvas->repaint();
        if (run == runs)
            canvasPaints.reset();
        timer.start();
        canvas->setZoom(0.2f);
        canvas->repaint();
        // The first run is not counted, as in every other figure.
        if (run > 0)
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
        QApplication::processEvents();
    }
    std::sort(times.begin(), times.end());
    const QRect painted = canvasPaints.paintedInWindow();
    const double floorTime = repaintFloorMilliseconds(*canvas, painted, 41);
    return { name, title, times[times.size() / 2], QStringLiteral("ms"), floorTime, goal };
}

QList<Figure> Bench::translucentArt(double plainImport)
{
    // The same map with its top layer drawn from translucent sprites.
    QList<Figure> figures;
    const double import = medianMilliseconds(11, [&] { canvas->readMapFile(files.alphaMap); });
    QApplication::processEvents();
    figures << Figure { QStringLiteral("import_255_alpha"),
                        QStringLiteral("readMapFile with translucent art (goal: 1.1 x import_255)"),
                        import,
                        QStringLiteral("ms"),
                        readFilesMilliseconds(QStringList(files.alphaMap) + files.alphaMapTileSets, 11),
                        1.1 * plainImport };

    canvas->setZoom(0.2f);
    setViewport(canvas->sizeHint());
    figures << repaint(QStringLiteral("repaint_whole_z02_alpha"),
                       QStringLiteral("repaint of the whole map at zoom 0.2, translucent art"), 4, 1.6);
    figures << firstPaint(QStringLiteral("first_paint_z02_alpha"),
                          QStringLiteral("first paint of the whole map after zooming to 0.2, translucent art"), 4);
    canvas->setZoom(1.0f);
    setViewport(QSize(1000, 650));
    scrollTo(0.5, 0.5);
    figures << repaint(QStringLiteral("repaint_viewport_z1_alpha"),
                       QStringLiteral("repaint of a %1 viewport at zoom 1.0, translucent art").arg(viewportText()),
                       1, 1.6);
    scrollTo(0, 0);
    canvas->readMapFile(files.map);
    QApplication::processEvents();
    return figures;
}

Figure Bench::editFigure(const char* name, const QString& title, int runs, double goal,
                         const std::function<void()>& work)
{
    work();
    canvasPaints.reset();
    work();
    const QRect painted = canvasPaints.paintedInWindow();
    if (canvasPaints.paintEvents() == 0)
        std::fprintf(stderr, "varnholdbench: %s repainted nothing\n", name);
    const double median = medianMilliseconds(runs, work);
    const double floorTime = repaintFloorMilliseconds(*canvas, painted, runs);
    return { QString::fromLatin1(name), title, median, QStringLiteral("ms"), floorTime, goal };
}

Figure Bench::dragStep(const char* name, const QString& title, int tool)
{
    // Each step is a press on one cell, a move with the button held to the
    // next cell (down and right for a selection), and the repaint that
    // follows; the release ends it. Steps start two cells apart, so that
    // each one selects outside the selection before (a press inside it
    // would move its cells), or paints two cells, shown at zoom 1.0 too,
    // that do not hold the brush's tile yet. The brush changes only when the
    // places come round again, as a user's brush does between strokes, not
    // within them.
    canvas->setTool(tool);
    QApplication::processEvents();
    int step = 0;
    const bool select = tool == WorldViewWidget::Select;
    const QPoint towards = select ? QPoint(1, 1) : QPoint(1, 0);
    const int columns = select ? 20 : 10, rows = select ? 10 : 6;
    const auto work = [&] {
        const QPoint from(2 + 2 * (step % columns), 3 + 2 * ((step / columns) % rows));
        if (tool == WorldViewWidget::Paint && step % (columns * rows) == 0)
            useBrush((step / (columns * rows)) % 100);
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, from + towards, Qt::NoButton, Qt::LeftButton);
        repaintNow();
        mouse(QEvent::MouseButtonRelease, from + towards, Qt::LeftButton, Qt::NoButton);
        ++step;
    };
    const Figure figure = editFigure(name, title, 201, 0.5, work);
    mouse(QEvent::MouseButtonPress, QPoint(0, 0), Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, QPoint(0, 0), Qt::LeftButton, Qt::NoButton);
    canvas->setTool(WorldViewWidget::Paint);
    QApplication::processEvents();
    return figure;
}

Figure Bench::squareFill()
{
    canvas->setTool(WorldViewWidget::Square);
    QApplication::processEvents();
    int fill = 0;
    const auto work = [&] {
        useBrush(fill++ % 100);
        drag(QPoint(3, 3), QPoint(52, 52));
        repaintNow();
    };
    const Figure figure = editFigure("square_fill_50",
                                     QStringLiteral("square fill of 50 x 50 cells at zoom 1.0, with its repaint"),
                                     41, 0.5, work);
    canvas->setTool(WorldViewWidget::Paint);
    return figure;
}

void Bench::fillWholeMap(int tile)
{
    canvas->setTool(WorldViewWidget::Square);
    QApplication::processEvents();
    useBrush(tile);
    drag(QPoint(0, 0), QPoint(BenchMapSide - 1, BenchMapSide - 1));
    canvas->setTool(WorldViewWidget::Paint);
    repaintNow();
}

Figure Bench::floodFill(const char* name, const QString& title, double goal)
{
    // The top layer made one tile by a fill of the whole map, then filled
    // from one cell with another tile and back again; every step is undone
    // afterwards, so the map is as it was.
    fillWholeMap(7);
    int fills = 0;
    const auto work = [&] {
        useBrush(fills++ % 2 == 0 ? 8 : 7);
        mouse(QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
        mouse(QEvent::MouseButtonRelease, QPoint(5, 5), Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
        repaintNow();
    };
    const Figure figure = editFigure(name, title, 41, goal, work);
    UndoHistory& history = canvas->history();
    for (int step = 0; step <= fills; ++step)
        history.undo();
    QApplication::processEvents();
    return figure;
}

Figure Bench::undoFill()
{
    // The whole map filled in one step, then undone and redone in turn.
    fillWholeMap(7);
    UndoHistory& history = canvas->history();
    bool undo = true;
    const auto work = [&] {
        if (undo)
            history.undo();
        else
            history.redo();
        undo = !undo;
        repaintNow();
    };
    const Figure figure = editFigure(
        "undo_fill_255",
        QStringLiteral("undo or redo of a %1 x %1 square fill at zoom 1.0, with its repaint").arg(BenchMapSide), 41,
        5, work);
    if (!undo)
        history.undo();
    history.undo();
    canvas->setTool(WorldViewWidget::Paint);
    QApplication::processEvents();
    return figure;
}

QList<Figure> Bench::layoutTools()
{
    QList<Figure> figures;
    MapDocument* document = canvas->document();
    canvas->setZoom(1.0f);
    setViewport(QSize(1000, 650));
    scrollTo(0, 0);

    // Shift+drag of the whole map's selection, both layers, one cell right
    // and back in turn; the cells moved past the edge are dropped.
    canvas->setTool(WorldViewWidget::Select);
    canvas->selectAll();
    QApplication::processEvents();
    int moves = 0;
    const auto move = [&] {
        const QPoint from(5, 5);
        const QPoint to = from + QPoint(moves++ % 2 == 0 ? 1 : -1, 0);
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
        mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
        repaintNow();
        mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton, Qt::ShiftModifier);
        repaintNow();
    };
    figures << editFigure(
        "move_255",
        QStringLiteral("Shift+drag of a %1 x %1 selection one cell, with its repaints").arg(BenchMapSide), 21,
        5, move);

    // A stamp of 4 x 4 tiles, laid somewhere else in each step, so that it
    // changes cells.
    canvas->setTool(WorldViewWidget::Paint);
    document->setBrushTiles(canvas->tileSetIndex(brush.tileSetFile), QRect(2, 2, 4, 4));
    QApplication::processEvents();
    int strokes = 0;
    const auto stroke = [&] {
        const QPoint from(strokes % 17, strokes / 17 % 13);
        mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        mouse(QEvent::MouseMove, from + QPoint(4, 0), Qt::NoButton, Qt::LeftButton);
        repaintNow();
        mouse(QEvent::MouseButtonRelease, from + QPoint(4, 0), Qt::LeftButton, Qt::NoButton);
        ++strokes;
    };
    figures << editFigure("stamp_stroke_z1",
                          QStringLiteral("paint drag step with a 4 x 4 stamp to its next copy at zoom 1.0"),
                          201, 0.5, stroke);

    // The preview of that stamp as the pointer moves one cell, no button held.
    int steps = 0;
    const auto preview = [&] {
        mouse(QEvent::MouseMove, QPoint(10 + steps++ % 2, 8), Qt::NoButton, Qt::NoButton);
        repaintNow();
    };
    figures << editFigure(
        "preview_move_z1",
        QStringLiteral("repaint of a 4 x 4 stamp's preview as the pointer moves a cell at zoom 1.0"), 201,
        0.3, preview);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(canvas, &leave);
    canvas->readMapFile(files.map);
    QApplication::processEvents();
    return figures;
}

QList<Figure> Bench::mapFile()
{
    QList<Figure> figures;
    const QString saved = folder + QStringLiteral("/saved.map");
    const double save = medianMilliseconds(11, [&] { canvas->writeMapFile(saved); });
    figures << Figure { QStringLiteral("save_255"),
                        QStringLiteral("writeMapFile of the map"),
                        save,
                        QStringLiteral("ms"),
                        writeFileMilliseconds(folder, QFileInfo(saved).size(), 11),
                        10,
                        2.5 };

    QFile file(files.map);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    const double parse = medianMilliseconds(21, [&] {
        MapData data;
        QString error;
        parseMapFile(bytes, &data, &error);
    });
    figures << Figure { QStringLiteral("parse_255"), QStringLiteral("parse of the map file alone"), parse,
                        QStringLiteral("ms"),        copyBytesMilliseconds(bytes.size(), 21),       1.5 };

    const double import = medianMilliseconds(11, [&] { canvas->readMapFile(files.map); });
    QApplication::processEvents();
    figures << Figure { QStringLiteral("import_255"),
                        QStringLiteral("readMapFile with its two tile-set loads"),
                        import,
                        QStringLiteral("ms"),
                        readFilesMilliseconds(QStringList(files.map) + files.mapTileSets, 11),
                        25 };
    return figures;
}

Figure Bench::commandLineRender()
{
    // The whole command: reading and parsing the map, loading its tile
    // sets, drawing, encoding the PNG and saving it safely.
    const QString picture = folder + QStringLiteral("/picture.png");
    const QStringList arguments { QStringLiteral("render"), files.map, QStringLiteral("-o"), picture,
                                  QStringLiteral("--zoom"), QStringLiteral("0.2") };
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const double median = medianMilliseconds(5, [&] { runMapCommand(arguments, outStream, errStream); });
    const QSize pixels(2041, 2041);
    return { QStringLiteral("render_cli_255_z02"),
             QStringLiteral("varnhold-map render of the map at zoom 0.2 into a PNG file"),
             median,
             QStringLiteral("ms"),
             copyPixelsMilliseconds(pixels, 5) + writeFileMilliseconds(folder, QFileInfo(picture).size(), 5),
             500 };
}

Figure Bench::tmxImport()
{
    // The whole command: reading the TMX map and its tile set, compositing
    // and laying out the converted tiles, encoding their PNG, and saving it
    // and the map file safely.
    const QString tmx = writeTmxBenchMap(folder);
    const QString map = folder + QStringLiteral("/island.map");
    const QStringList arguments { QStringLiteral("import"), tmx, QStringLiteral("-o"), map };
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const double median = medianMilliseconds(11, [&] { runMapCommand(arguments, outStream, errStream); });
    const QString image = folder + QStringLiteral("/island.tiles.png");
    return { QStringLiteral("tmx_import_255"),
             QStringLiteral("varnhold-map import of a %1 x %1 TMX map, 3 zlib layers of 32 px tiles")
                 .arg(BenchMapSide),
             median,
             QStringLiteral("ms"),
             readFilesMilliseconds({ tmx, folder + QStringLiteral("/tmxtiles.png") }, 11)
                 + writeFileMilliseconds(folder, QFileInfo(image).size(), 11)
                 + writeFileMilliseconds(folder, QFileInfo(map).size(), 11),
             150 };
}

Figure Bench::pseudoFileRefusal()
{
    // A map naming one pseudo-file of endless content under 40 spellings:
    // each must be refused before it is read.
    QStringList names;
    for (int i = 0; i < 40; ++i)
        names << QStringLiteral("/proc/self/") + QStringLiteral("./").repeated(i) + QStringLiteral("pagemap");
    const QString map = folder + QStringLiteral("/proc.map");
    QFile file(map);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray::number(names.size()) + '\n' + names.join('\n').toLatin1()
               + "\n1 1\n0 0 0\n0 0 0\n");
    file.close();
    const QStringList arguments { QStringLiteral("check"), map };
    QString out, err;
    QTextStream outStream(&out), errStream(&err);
    const double median = medianMilliseconds(5, [&] { runMapCommand(arguments, outStream, errStream); });
    return { QStringLiteral("check_procfs_40"),
             QStringLiteral("varnhold-map check of a map naming a /proc file under 40 spellings"),
             median,
             QStringLiteral("ms"),
             readFilesMilliseconds({ map }, 5),
             1000 };
}

Figure Bench::commandLineProcess()
{
    // The command as a user starts it: the process's start-up and its end
    // included, on the platform it picks itself.
    const QString picture = folder + QStringLiteral("/process.png");
    const QStringList arguments { QStringLiteral("render"), files.map, QStringLiteral("-o"), picture,
                                  QStringLiteral("--zoom"), QStringLiteral("0.2") };
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    int failures = 0;
    const double median = medianMilliseconds(5, [&] {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VARNHOLD_MAP_PROGRAM), arguments);
        if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
            ++failures;
    });
    if (failures > 0)
        std::fprintf(stderr, "varnholdbench: varnhold-map render failed %d times\n", failures);
    const QSize pixels(2041, 2041);
    return { QStringLiteral("render_cli_process_255_z02"),
             QStringLiteral("varnhold-map render of the map at zoom 0.2 as a process of its own"),
             median,
             QStringLiteral("ms"),
             startProcessMilliseconds(5) + copyPixelsMilliseconds(pixels, 5)
                 + writeFileMilliseconds(folder, QFileInfo(picture).size(), 5),
             150 };
}

Figure Bench::paletteRepaint()
{
    palette->loadTileSet(files.largeTileSet);
    QApplication::processEvents();
    PaintRecorder palettePaints(palette);
    palette->repaint();
    const QRect painted = palettePaints.paintedInWindow();
    const double median = medianMilliseconds(41, [this] { palette->repaint(); });
    const QSize shown = palette->visibleRegion().boundingRect().size();
    return { QStringLiteral("palette_repaint_2000"),
             QStringLiteral("palette repaint of a 2000 x 2000 tile set (%1 x %2 shown)")
                 .arg(shown.width())
                 .arg(shown.height()),
             median,
             QStringLiteral("ms"),
             repaintFloorMilliseconds(*palette, painted, 41),
             0 };
}

Figure Bench::reloadLargeTileSet()
{
    // The palette shows the 2000 x 2000 set. Before each run its file is
    // replaced by the other of two pictures; a run is the document reading
    // it again, with the repaint of the palette and the canvas. The file
    // watcher's own reload of the same change is let pass between runs.
    const QString file = QFileInfo(files.largeTileSet).absoluteFilePath();
    const QImage original(file);
    QByteArray pictures[2];
    for (int k = 0; k < 2; ++k) {
        QBuffer buffer(&pictures[k]);
        buffer.open(QIODevice::WriteOnly);
        original.mirrored(k == 0, false).save(&buffer, "PNG");
    }
    MapDocument* document = canvas->document();
    constexpr int runs = 11;
    std::vector<double> times;
    QElapsedTimer timer;
    for (int run = 0; run <= runs; ++run) {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(pictures[run % 2]) < 0)
            std::fprintf(stderr, "varnholdbench: cannot write %s\n", qPrintable(file));
        out.close();
        timer.start();
        document->reloadTileSetFile(file);
        repaintNow();
        if (run > 0)
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
        QElapsedTimer settling;
        settling.start();
        while (settling.elapsed() < 3 * TileSetWatcher::QuietMilliseconds)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    std::sort(times.begin(), times.end());
    return { QStringLiteral("reload_2000"),
             QStringLiteral("reload of a changed 2000 x 2000 tile set shown in the palette, with the repaint"),
             times[times.size() / 2],
             QStringLiteral("ms"),
             readFilesMilliseconds({ file }, runs),
             100 };
}

// The editor importing a 1024 x 1024 map, in a process of its own so that
// its memory is measured from an empty editor: prints the figures of the
// import's time and of the growth of the resident memory, what is left and
// the peak.
int measureLargeImport(const QString& map, const QStringList& tileSets)
{
    MainWindow window;
    showAndWait(window);
    auto* canvas = window.findChild<WorldViewWidget*>();
    canvas->repaint();
    const double empty = residentMegabytes();
    resetResidentPeak();
    canvas->readMapFile(map);
    QApplication::processEvents();
    canvas->repaint();
    const double grown = residentMegabytes() - empty;
    const double peak = residentPeakMegabytes() - empty;
    const double median = medianMilliseconds(3, [&] { canvas->readMapFile(map); });
    const double cells = fillBytesMegabytes(2 * qint64(sizeof(Cell)) * 1024 * 1024);
    const QList<Figure> figures
        = { { QStringLiteral("import_1024"), QStringLiteral("readMapFile of a 1024 x 1024 map"), median,
              QStringLiteral("ms"), readFilesMilliseconds(QStringList(map) + tileSets, 3), 0 },
            { QStringLiteral("rss_1024"),
              QStringLiteral("resident memory with a 1024 x 1024 map, over the empty editor"), grown,
              QStringLiteral("MB"), cells, 60 },
            { QStringLiteral("rss_1024_peak"),
              QStringLiteral("peak resident memory importing a 1024 x 1024 map, over the empty editor"), peak,
              QStringLiteral("MB"), cells, 60 } };
    for (const Figure& figure : figures)
        std::printf("%s\n", figureLine(figure).constData());
    return 0;
}

// The repaint figures at a screen scale of 2, in a process of its own (the
// scale is the process's): prints their figures.
int measureAtScale2(const BenchFiles& files, const QString& folder)
{
    MainWindow window;
    showAndWait(window);
    Bench bench(window, files, folder);
    for (const Figure& figure : bench.runAtScale(QStringLiteral("_dpr2"), QStringLiteral("2")))
        std::printf("%s\n", figureLine(figure).constData());
    return 0;
}

// The figures that another process of the benchmark prints, started with
// `arguments` and the environment's variables `variables` added.
QList<Figure> figuresOf(const QStringList& arguments, const QStringList& variables, const char* what)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& variable : variables)
        environment.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationFilePath(), arguments);
    process.waitForFinished(-1);
    QList<Figure> figures;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        if (const std::optional<Figure> figure = figureFromLine(line))
            figures << *figure;
    }
    if (figures.isEmpty())
        std::fprintf(stderr, "varnholdbench: the figures %s could not be measured\n", what);
    return figures;
}

QList<Figure> largeImport(const BenchFiles& files, const QString& folder)
{
    const QString map = writeBenchMap(folder + QStringLiteral("/huge.map"), files.mapTileSets, 1024);
    if (map.isEmpty()) {
        std::fprintf(stderr, "varnholdbench: the 1024 x 1024 map cannot be written\n");
        return {};
    }
    return figuresOf(QStringList { QStringLiteral("--import-1024"), map } + files.mapTileSets, {},
                     "of a 1024 x 1024 map");
}

// A start with a map to import: from the window's construction to the end of
// the first paint after the import, its tile sets decoded afresh.
Figure startupImport(const BenchFiles& files)
{
    const double median = medianMilliseconds(7, [&] {
        MainWindow window;
        window.show();
        auto* canvas = window.findChild<WorldViewWidget*>();
        canvas->readMapFile(files.map);
        canvas->repaint();
    });
    return { QStringLiteral("startup_import_255"),
             QStringLiteral("new window, import of the map, first paint"),
             median,
             QStringLiteral("ms"),
             readFilesMilliseconds(QStringList(files.map) + files.mapTileSets, 3),
             100 };
}

QList<Figure> atScale2(const BenchFiles& files, const QString& folder)
{
    return figuresOf({ QStringLiteral("--at-scale-2"), folder, files.map, files.alphaMap },
                     { QStringLiteral("QT_SCALE_FACTOR=2") }, "at a screen scale of 2");
}

} // namespace

int main(int argc, char* argv[])
{
    // Qt waits a few milliseconds before serving update requests, to gather
    // them; the figures measure the work, not that wait.
    if (!qEnvironmentVariableIsSet("QT_QPA_UPDATE_IDLE_TIME"))
        qputenv("QT_QPA_UPDATE_IDLE_TIME", "0");
    QApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    if (arguments.size() >= 3 && arguments[1] == QLatin1String("--import-1024"))
        return measureLargeImport(arguments[2], arguments.mid(3));
    if (arguments.size() == 3 && arguments[1] == QLatin1String("--gif-screens"))
        return measureGifScreens(arguments[2]);
    if (arguments.size() == 5 && arguments[1] == QLatin1String("--at-scale-2")) {
        BenchFiles files;
        files.map = arguments[3];
        files.alphaMap = arguments[4];
        return measureAtScale2(files, arguments[2]);
    }
    const bool tsv = arguments.contains(QStringLiteral("--tsv"));

    QTemporaryDir folder;
    const BenchFiles files = writeBenchFiles(folder.path());
    if (!folder.isValid() || files.map.isEmpty()) {
        std::fprintf(stderr, "varnholdbench: cannot write the benchmark's files into %s\n",
                     qPrintable(folder.path()));
        return 1;
    }

    QList<Figure> figures;
    {
        MainWindow window;
        showAndWait(window);
        Bench bench(window, files, folder.path());
        figures = bench.run();
    }
    figures << atScale2(files, folder.path());
    figures << largeImport(files, folder.path());
    figures << startupImport(files);
    figures << decodingFigures(folder.path());
    figures << gifScreensFigure(folder.path());
    if (tsv)
        printTsv(figures);
    else
        printTable(figures, BenchMapSide);
    return 0;
}

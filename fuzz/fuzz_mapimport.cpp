// libFuzzer entry point for the whole import: a map file parsed, made into
// the map model with its tile sets, drawn once at a small zoom and saved
// again. Every name the file lists gets a small generated image, except
// every third, which stays a set whose image did not load; so drawing meets
// loaded and missing sets, images narrower than a tile, and any tile index.

#include "render/maprenderer.h"
#include "render/tilesetimage.h"
#include "model/worldmap.h"
#include "mapfile/mapconversion.h"
#include "mapfile/mapparser.h"
#include "mapfile/mapwriter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "fuzz_mapimport: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

// Images of a few shapes: whole tiles, a partial column, narrower than a tile.
QPixmap tileSetImage(int k)
{
    static const QSize sizes[] = { { 40, 40 }, { 120, 80 }, { 95, 41 }, { 30, 200 } };
    QImage image(sizes[k % 4], QImage::Format_ARGB32);
    image.fill(QColor::fromHsv((k * 37) % 360, 200, 200, k % 2 ? 128 : 255));
    image.setPixelColor(0, 0, Qt::transparent);
    return QPixmap::fromImage(image);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(input), qsizetype(size));
    MapData data;
    QString error;
    if (!parseMapFile(bytes, &data, &error))
        return 0;

    WorldMap map(1, 1);
    MapContents contents = mapContentsOf(data, map, QStringLiteral("fuzz.map"));
    for (int k = 0; k < data.tileSetNames.size(); ++k) {
        if (k % 3 != 2) {
            const QPixmap image = tileSetImage(k);
            contents.tileSets.push_back({ data.tileSetNames[k], image, drawnTileSetImage(image), QString() });
        }
    }
    map.swapContents(&contents);

    // The whole map at zoom 0.1, drawn piece by piece into one small image.
    MapRenderer::Options options;
    options.geometry.zoom = 0.1f;
    const MapRenderer renderer(map, options);
    const QSize pixels = options.geometry.mapSize(map.size());
    QImage piece(256, 256, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < pixels.height(); y += piece.height()) {
        for (int x = 0; x < pixels.width(); x += piece.width()) {
            piece.fill(Qt::darkGray);
            QPainter painter(&piece);
            painter.translate(-x, -y);
            const QRect area(x, y, piece.width(), piece.height());
            renderer.drawCells(painter, area);
            renderer.drawGrid(painter, area);
        }
    }

    // Saved again, the map reads back as the file did, cell for cell by the
    // names of their sets.
    const MapData saved = mapDataOf(map);
    const QString problem = mapDataProblem(saved);
    if (!problem.isEmpty())
        fail("an imported map cannot be saved", problem);
    MapData reread;
    if (!parseMapFile(formatMapFile(saved), &reread, &error))
        fail("a saved map is refused", error);
    for (const bool top : { true, false }) {
        const std::vector<CellRecord>& before = top ? data.top : data.bottom;
        const std::vector<CellRecord>& after = top ? reread.top : reread.bottom;
        for (size_t i = 0; i < before.size(); ++i) {
            const CellRecord& a = before[i];
            const CellRecord& b = after[i];
            const QString nameA = a.setIndex < 0 ? QString() : data.tileSetNames[a.setIndex];
            const QString nameB = b.setIndex < 0 ? QString() : reread.tileSetNames[b.setIndex];
            // A record without a set is an empty cell; one without a tile
            // keeps its set's name unless that set did not load.
            const bool same = a.pass == b.pass
                && (a.setIndex < 0 ? b.setIndex < 0 && b.tileIndex == -1
                                   : a.tileIndex == b.tileIndex
                            && (nameA == nameB || (a.tileIndex == -1 && b.setIndex < 0)));
            if (!same)
                fail("a cell changed through import and save", QString::number(i));
        }
    }
    return 0;
}

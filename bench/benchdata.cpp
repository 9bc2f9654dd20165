#include "benchdata.h"

#include "mapfile/mapdata.h"
#include "mapfile/mapwriter.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

namespace {

const int tileSide = 40;
const QColor background(255, 0, 255);

// Ground tiles are textures that fill their whole square: blocks of colour
// with a little noise in every pixel, as drawn ground has, so that the mask
// that the canvas takes from the corner colour clears next to nothing.
// Object tiles are shapes with background around them, so that the top
// layer lets the bottom layer show through.
enum class TileKind { Ground, Objects };

QImage tileSetImage(int side, TileKind kind, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(side, side, QImage::Format_RGB32);
    image.fill(background);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    const auto randomColour = [&random] {
        return QColor(int(random.bounded(200)), int(random.bounded(40, 240)), int(random.bounded(200)));
    };
    for (int y = 0; y + tileSide <= side; y += tileSide) {
        for (int x = 0; x + tileSide <= side; x += tileSide) {
            const QRect tile(x, y, tileSide, tileSide);
            if (kind == TileKind::Ground) {
                painter.fillRect(tile, randomColour());
                for (int block = 0; block < 4; ++block) {
                    const int bx = int(random.bounded(tileSide - 8)), by = int(random.bounded(tileSide - 8));
                    painter.fillRect(QRect(x + bx, y + by, 8, 8), randomColour());
                }
            } else {
                const int inset = 4 + int(random.bounded(8));
                painter.setBrush(randomColour());
                painter.drawEllipse(tile.adjusted(inset, inset, -inset, -inset));
                painter.fillRect(QRect(x + 18, y + 2, 4, 12), randomColour());
            }
        }
    }
    painter.end();
    if (kind == TileKind::Ground) {
        for (int y = 0; y < side; ++y) {
            QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < side; ++x) {
                const int noise = int(random.bounded(16));
                line[x] = qRgb(qRed(line[x]) + noise, qGreen(line[x]) + noise, qBlue(line[x]) + noise);
            }
        }
    }
    return image;
}

std::vector<CellRecord> fullLayer(int side, int setIndex, quint32 seed)
{
    QRandomGenerator random(seed);
    const int tilesPerSet = (400 / tileSide) * (400 / tileSide);
    std::vector<CellRecord> cells(size_t(side) * size_t(side));
    for (CellRecord& cell : cells)
        cell = { setIndex, int(random.bounded(tilesPerSet)), random.bounded(2) == 1 };
    return cells;
}

} // namespace

BenchFiles writeBenchFiles(const QString& folder)
{
    BenchFiles files;
    const QStringList sets
        = { folder + QStringLiteral("/ground.png"), folder + QStringLiteral("/objects.png") };
    const QString large = folder + QStringLiteral("/large.png");
    if (!tileSetImage(400, TileKind::Ground, 1).save(sets[0])
        || !tileSetImage(400, TileKind::Objects, 2).save(sets[1])
        || !tileSetImage(2000, TileKind::Objects, 3).save(large))
        return files;

    const QString map = writeBenchMap(folder + QStringLiteral("/large.map"), sets, BenchMapSide);
    if (map.isEmpty())
        return files;

    files.map = map;
    files.mapTileSets = sets;
    files.largeTileSet = large;
    return files;
}

QString writeBenchMap(const QString& path, const QStringList& tileSets, int side)
{
    MapData data;
    data.tileSetNames = tileSets;
    data.width = side;
    data.height = side;
    data.top = fullLayer(side, 1, 4);
    data.bottom = fullLayer(side, 0, 5);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(formatMapFile(data)) < 0)
        return QString();
    return path;
}

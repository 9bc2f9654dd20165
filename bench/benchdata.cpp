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

// Sprites as real game art is drawn: anti-aliased shapes with a dark
// outline and a soft shadow on a transparent background, so that most
// pixels are clear, the edges and the shadow partly transparent.
QImage spriteSetImage(int side, quint32 seed)
{
    QRandomGenerator random(seed);
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int y = 0; y + tileSide <= side; y += tileSide) {
        for (int x = 0; x + tileSide <= side; x += tileSide) {
            const int inset = 5 + int(random.bounded(6));
            const QRectF body = QRectF(x, y, tileSide, tileSide).adjusted(inset, inset - 2, -inset, -inset - 4);
            // The shadow: ever smaller, ever darker ellipses below the body.
            painter.setPen(Qt::NoPen);
            const QRectF shadow(body.left() + 2, body.bottom() - 4, body.width(), 9);
            for (int ring = 0; ring < 4; ++ring) {
                painter.setBrush(QColor(0, 0, 0, 30));
                painter.drawEllipse(shadow.adjusted(ring * 1.5, ring, -ring * 1.5, -ring));
            }
            painter.setPen(QPen(QColor(20, 15, 10), 1.5));
            painter.setBrush(QColor(int(random.bounded(40, 230)), int(random.bounded(60, 230)),
                                    int(random.bounded(30, 200))));
            if (random.bounded(2) == 0)
                painter.drawEllipse(body);
            else
                painter.drawRoundedRect(body, 6, 6);
            painter.drawLine(QPointF(body.center().x(), body.top() + 4), QPointF(body.center().x(), body.bottom() - 3));
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
    const QStringList alphaSets = { sets[0], folder + QStringLiteral("/sprites.png") };
    const QString large = folder + QStringLiteral("/large.png");
    if (!tileSetImage(400, TileKind::Ground, 1).save(sets[0])
        || !tileSetImage(400, TileKind::Objects, 2).save(sets[1]) || !spriteSetImage(400, 6).save(alphaSets[1])
        || !tileSetImage(2000, TileKind::Objects, 3).save(large))
        return files;

    const QString map = writeBenchMap(folder + QStringLiteral("/large.map"), sets, BenchMapSide);
    const QString alphaMap = writeBenchMap(folder + QStringLiteral("/sprites.map"), alphaSets, BenchMapSide);
    if (map.isEmpty() || alphaMap.isEmpty())
        return files;

    files.map = map;
    files.mapTileSets = sets;
    files.alphaMap = alphaMap;
    files.alphaMapTileSets = alphaSets;
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

// Writes the maps and tile-set images that `make interop` exports and
// renders, into the folder given: "interop.map", whose bottom layer is full
// of opaque ground tiles and whose top layer mixes a colour-keyed set and a
// translucent one, with pass flags; "large.map", the same at 255 x 255
// cells, for the speed of both renderers; and the three images they name,
// relative to that folder. Usage: varnhold-interop-data FOLDER

#include "mapfile/mapdata.h"
#include "mapfile/mapwriter.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstdio>

namespace {

const int TileSize = 40;
const QColor KeyColour(255, 0, 255);
// The ground image's four corner pixels, the colour that the editor masks
// in it: used nowhere else, so a reader that clears every pixel of that
// colour clears the same four.
const QColor GroundCorner(1, 2, 3);

QRect tileRect(int index, int columns)
{
    return QRect((index % columns) * TileSize, (index / columns) * TileSize, TileSize, TileSize);
}

// Opaque textures: stripes and a square on a base colour.
QImage groundTiles()
{
    QImage image(4 * TileSize, 2 * TileSize, QImage::Format_RGB32);
    QPainter painter(&image);
    for (int index = 0; index < 8; ++index) {
        const QRect tile = tileRect(index, 4);
        painter.fillRect(tile, QColor(60 + 20 * index, 140 + 10 * (index % 3), 50));
        for (int stripe = 0; stripe < 5; ++stripe)
            painter.fillRect(QRect(tile.left() + 3 + 8 * stripe, tile.top(), 2 + index % 3, TileSize),
                             QColor(90, 100 + 15 * index, 40 + 25 * stripe));
        painter.fillRect(tile.adjusted(10 + index, 12, -14, -8 - index), QColor(150, 110, 20 * index));
    }
    painter.end();
    const int right = image.width() - 1, bottom = image.height() - 1;
    for (const QPoint corner : { QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom), QPoint(right, bottom) })
        image.setPixelColor(corner, GroundCorner);
    return image;
}

// Solid shapes on the key colour, each inside its tile: the key colour is
// only in the background, all of it reached from the image's edges.
QImage keyedTiles()
{
    QImage image(4 * TileSize, 2 * TileSize, QImage::Format_RGB32);
    image.fill(KeyColour);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    for (int index = 0; index < 8; ++index) {
        const QRect tile = tileRect(index, 4);
        painter.setBrush(QColor::fromHsv(index * 40, 200, 200));
        painter.drawEllipse(tile.adjusted(4 + index, 5, -5, -4 - index));
        painter.fillRect(QRect(tile.left() + 6 + 3 * index, tile.top() + 2, 4, 30),
                         QColor(30, 20 * index, 90));
    }
    return image;
}

// Half-transparent, anti-aliased shapes on a clear background.
QImage translucentTiles()
{
    QImage image(4 * TileSize, 2 * TileSize, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int index = 0; index < 8; ++index) {
        const QRect tile = tileRect(index, 4);
        painter.setBrush(QColor::fromHsv(index * 45, 220, 240, 60 + 25 * index));
        painter.drawEllipse(tile.adjusted(2 + index, 3, -4, -2 - index));
    }
    return image;
}

MapData interopMap(int width, int height)
{
    MapData data;
    data.tileSetNames = QStringList { QStringLiteral("ground.png"), QStringLiteral("keyed.png"),
                                      QStringLiteral("glass.png") };
    data.width = width;
    data.height = height;
    for (int y = 0; y < data.height; ++y) {
        for (int x = 0; x < data.width; ++x) {
            data.bottom.push_back({ 0, (x + 3 * y) % 8, false });
            const bool pass = (x * y) % 3 == 0;
            switch ((x + y) % 3) {
            case 0:
                data.top.push_back({ 1, (5 * x + y) % 8, pass });
                break;
            case 1:
                data.top.push_back({ 2, (x + 2 * y) % 8, pass });
                break;
            default:
                data.top.push_back({ -1, -1, pass });
            }
        }
    }
    return data;
}

bool write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: varnhold-interop-data FOLDER\n");
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const bool written = groundTiles().save(folder.filePath(QStringLiteral("ground.png")))
        && keyedTiles().save(folder.filePath(QStringLiteral("keyed.png")))
        && translucentTiles().save(folder.filePath(QStringLiteral("glass.png")))
        && write(folder.filePath(QStringLiteral("interop.map")), formatMapFile(interopMap(12, 8)))
        && write(folder.filePath(QStringLiteral("large.map")), formatMapFile(interopMap(255, 255)));
    if (!written) {
        std::fprintf(stderr, "varnhold-interop-data: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}

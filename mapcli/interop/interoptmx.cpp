// Writes the TMX maps that `make interop` imports and compares with Tiled's
// own drawing, into the folder given, with their tile sets: maps of 16, 24
// and 32-pixel tiles, each with several tile layers in several encodings,
// an external .tsx tile set with margin and spacing, a colour-keyed set
// with its transparent colour, translucent art, flipped tiles in every
// combination, layer and group opacity, a hidden layer, an object layer and
// a pass layer, and at 24 pixels a collection of single images.
// Usage: varnhold-interop-tmx FOLDER; prints the names of the maps written.

#include "tmxencoding.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <functional>

namespace {

constexpr quint32 AllFlips[8]
    = { 0, 0x80000000u, 0x40000000u, 0x20000000u, 0xc0000000u, 0xa0000000u, 0x60000000u, 0xe0000000u };

// Blocky, lopsided shapes, so that every flip shows and nearest-neighbour
// scaling keeps them sharp.
void drawMarks(QPainter& painter, const QRect& tile, int index, const QColor& colour)
{
    const int s = tile.width();
    painter.fillRect(QRect(tile.left() + s / 8, tile.top() + s / 8, s / 2, s / 4), colour);
    painter.fillRect(QRect(tile.left() + s / 8, tile.top() + s / 8, s / 4, s * 5 / 8), colour.darker(150));
    painter.fillRect(QRect(tile.left() + s / 2 + index % 3, tile.top() + s * 3 / 4, s / 4, s / 8),
                     colour.lighter(140));
}

// A sheet of 4 x 2 tiles of `tile` pixels with `margin` and `spacing`
// around them; the gaps hold a colour that must never be drawn.
QImage tileSheet(int tile, int margin, int spacing, QImage::Format format, const QColor& background,
                 const std::function<void(QPainter&, const QRect&, int)>& draw)
{
    QImage image(2 * margin + 4 * tile + 3 * spacing, 2 * margin + 2 * tile + spacing, format);
    image.fill(background);
    QPainter painter(&image);
    for (int index = 0; index < 8; ++index) {
        const QRect rect(margin + (index % 4) * (tile + spacing), margin + (index / 4) * (tile + spacing),
                         tile, tile);
        draw(painter, rect, index);
    }
    return image;
}

struct Files
{
    QDir folder;
    bool ok = true;

    void image(const QString& name, const QImage& image) { ok = ok && image.save(folder.filePath(name)); }
    void text(const QString& name, const QString& content)
    {
        QFile file(folder.filePath(name));
        ok = ok && file.open(QIODevice::WriteOnly) && file.write(content.toUtf8()) == content.toUtf8().size();
    }
};

// Writes the tile sets of maps with `tile`-pixel tiles; returns their
// <tileset> elements, first gids 1, 9, 17 (and 25 for the collection).
QString writeTileSets(Files& files, int tile, bool collection)
{
    const QString n = QString::number(tile);
    files.image(QStringLiteral("ground%1.png").arg(n),
                tileSheet(tile, 1, 2, QImage::Format_RGB32, QColor(255, 0, 0),
                          [tile](QPainter& p, const QRect& r, int i) {
                              p.fillRect(r, QColor(40 + 25 * i, 120 + 10 * (i % 3), 60));
                              drawMarks(p, r, i, QColor(150, 90 + 15 * i, 30));
                              p.fillRect(QRect(r.right() - tile / 8, r.top(), tile / 8, tile),
                                         QColor(20, 20, 20));
                          }));
    files.text(QStringLiteral("ground%1.tsx").arg(n),
               QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<tileset version=\"1.8\" name=\"ground\" tilewidth=\"%1\" tileheight=\"%1\" "
                              "spacing=\"2\" margin=\"1\" tilecount=\"8\" columns=\"4\">\n"
                              " <image source=\"ground%1.png\" width=\"%2\" height=\"%3\"/>\n</tileset>\n")
                   .arg(tile)
                   .arg(2 + 4 * tile + 6)
                   .arg(2 + 2 * tile + 2));
    const QColor key(255, 0, 255);
    files.image(QStringLiteral("keyed%1.png").arg(n),
                tileSheet(tile, 0, 0, QImage::Format_RGB32, key, [](QPainter& p, const QRect& r, int i) {
                    drawMarks(p, r, i, QColor::fromHsv(i * 40, 200, 220));
                }));
    files.image(
        QStringLiteral("glass%1.png").arg(n),
        tileSheet(tile, 0, 0, QImage::Format_ARGB32, Qt::transparent, [](QPainter& p, const QRect& r, int i) {
            drawMarks(p, r, i, QColor::fromHsv(i * 45, 220, 240, 70 + 20 * i));
        }));
    QString sets
        = QStringLiteral(
              " <tileset firstgid=\"1\" source=\"ground%1.tsx\"/>\n"
              " <tileset firstgid=\"9\" name=\"keyed\" tilewidth=\"%1\" tileheight=\"%1\" tilecount=\"8\" "
              "columns=\"4\">\n  <image source=\"keyed%1.png\" trans=\"ff00ff\"/>\n </tileset>\n"
              " <tileset firstgid=\"17\" name=\"glass\" tilewidth=\"%1\" tileheight=\"%1\" tilecount=\"8\" "
              "columns=\"4\">\n  <image source=\"glass%1.png\"/>\n </tileset>\n")
              .arg(tile);
    if (collection) {
        sets += QStringLiteral(" <tileset firstgid=\"25\" name=\"things\" tilewidth=\"%1\" tileheight=\"%1\" "
                               "tilecount=\"3\" columns=\"0\">\n")
                    .arg(tile);
        for (int id = 0; id < 3; ++id) {
            QImage thing(tile, tile, QImage::Format_ARGB32);
            thing.fill(Qt::transparent);
            QPainter painter(&thing);
            drawMarks(painter, thing.rect(), id, QColor::fromHsv(100 + 60 * id, 255, 200));
            painter.end();
            files.image(QStringLiteral("thing%1-%2.png").arg(n).arg(id), thing);
            sets += QStringLiteral("  <tile id=\"%1\"><image source=\"thing%2-%1.png\"/></tile>\n")
                        .arg(id)
                        .arg(n);
        }
        sets += QStringLiteral(" </tileset>\n");
    }
    return sets;
}

QString layer(const QString& name, const std::vector<quint32>& gids, int width, TmxEncoding encoding,
              const QString& extra = QString())
{
    return QStringLiteral(" <layer name=\"%1\" width=\"%2\" height=\"%3\"%4>\n  %5\n </layer>\n")
        .arg(name)
        .arg(width)
        .arg(gids.size() / size_t(width))
        .arg(extra, tmxDataElement(gids, width, encoding));
}

// The layers of a map: full ground, flipped colour-keyed marks, translucent
// marks in a group with its own opacity, a hidden layer, an object layer and
// pass flags.
QString layers(int width, int height, const QList<TmxEncoding>& encodings, bool collection)
{
    std::vector<quint32> ground, keyed, glass, things, hidden, pass;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int cell = x + y * width;
            ground.push_back(1 + quint32((x + 3 * y) % 8));
            keyed.push_back((x + y) % 3 == 0 ? 0 : (9 + quint32(cell % 8)) | AllFlips[(x + 2 * y) % 8]);
            glass.push_back((x * y) % 4 == 1 ? 0 : (17 + quint32((x + y) % 8)) | AllFlips[(3 * x + y) % 8]);
            things.push_back(collection && (x + y) % 4 == 2 ? (25 + quint32(x % 3)) | AllFlips[y % 8] : 0);
            hidden.push_back(9);
            pass.push_back((x * y) % 3 == 0 ? 9 : 0);
        }
    }
    QString text = layer(QStringLiteral("ground"), ground, width, encodings[0]);
    text += layer(QStringLiteral("marks"), keyed, width, encodings[1], QStringLiteral(" opacity=\"0.85\""));
    text += QStringLiteral(" <group name=\"details\" opacity=\"0.8\">\n");
    text += layer(QStringLiteral("glass"), glass, width, encodings[2], QStringLiteral(" opacity=\"0.7\""));
    if (collection)
        text += layer(QStringLiteral("things"), things, width, encodings[3]);
    text += QStringLiteral(" </group>\n");
    text += layer(QStringLiteral("notes"), hidden, width, encodings[0], QStringLiteral(" visible=\"0\""));
    text
        += QStringLiteral(" <objectgroup name=\"spawns\"><object id=\"1\" x=\"3\" y=\"4\"/></objectgroup>\n");
    text += layer(QStringLiteral("pass"), pass, width, encodings[1]);
    return text;
}

QString tmxMap(int tile, int width, int height, const QString& content)
{
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<map version=\"1.8\" orientation=\"orthogonal\" renderorder=\"right-down\" "
               "width=\"%1\" height=\"%2\" tilewidth=\"%3\" tileheight=\"%3\" infinite=\"0\">\n%4</map>\n")
        .arg(width)
        .arg(height)
        .arg(tile)
        .arg(content);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "Usage: varnhold-interop-tmx FOLDER\n");
        return 2;
    }
    Files files { QDir(QString::fromLocal8Bit(argv[1])) };
    const struct
    {
        int tile;
        int width;
        int height;
        QList<TmxEncoding> encodings;
        bool collection;
    } maps[] = {
        { 16, 12, 8, { TmxEncoding::Zlib, TmxEncoding::Csv, TmxEncoding::Zstd }, false },
        { 24,
          10,
          7,
          { TmxEncoding::Gzip, TmxEncoding::TileElements, TmxEncoding::Base64, TmxEncoding::Zlib },
          true },
        { 32, 9, 6, { TmxEncoding::Csv, TmxEncoding::Zstd, TmxEncoding::Gzip }, false },
    };
    for (const auto& map : maps) {
        const QString content = writeTileSets(files, map.tile, map.collection)
            + layers(map.width, map.height, map.encodings, map.collection);
        const QString name = QStringLiteral("tiles%1.tmx").arg(map.tile);
        files.text(name, tmxMap(map.tile, map.width, map.height, content));
        std::printf("%s\n", qPrintable(name));
    }
    if (!files.ok) {
        std::fprintf(stderr, "varnhold-interop-tmx: cannot write into %s\n", argv[1]);
        return 1;
    }
    return 0;
}

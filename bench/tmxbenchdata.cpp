#include "tmxbenchdata.h"

#include "benchdata.h"

#include "mapcli/interop/tmxencoding.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

namespace {

constexpr int TileSide = 32;
constexpr int Columns = 8; // and rows

QImage tileSet(QRandomGenerator& random)
{
    QImage image(Columns * TileSide, Columns * TileSide, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    const auto colour = [&random] {
        return QColor(int(random.bounded(200)), int(random.bounded(40, 240)), int(random.bounded(200)));
    };
    for (int tile = 0; tile < Columns * Columns; ++tile) {
        const QRect rect((tile % Columns) * TileSide, (tile / Columns) * TileSide, TileSide, TileSide);
        if (tile < Columns * Columns / 2) {
            painter.fillRect(rect, colour());
            painter.fillRect(
                QRect(rect.topLeft() + QPoint(int(random.bounded(24)), int(random.bounded(24))), QSize(8, 8)),
                colour());
        } else {
            painter.setBrush(colour());
            painter.drawEllipse(rect.adjusted(4, 6, -3 - tile % 5, -4));
            painter.fillRect(QRect(rect.left() + 14, rect.top() + 2, 4, 10), colour());
        }
    }
    painter.end();
    // Noise in the ground textures, as drawn ground has.
    for (int y = 0; y < image.height() / 2; ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int noise = int(random.bounded(16));
            line[x] = qRgb(qRed(line[x]) + noise, qGreen(line[x]) + noise, qBlue(line[x]) + noise);
        }
    }
    return image;
}

QString layer(const QString& name, const std::vector<quint32>& gids, const QString& attributes = QString())
{
    return QStringLiteral(" <layer name=\"%1\" width=\"%2\" height=\"%2\"%3>\n  %4\n </layer>\n")
        .arg(name)
        .arg(BenchMapSide)
        .arg(attributes, tmxDataElement(gids, BenchMapSide, TmxEncoding::Zlib));
}

} // namespace

QString writeTmxBenchMap(const QString& folder)
{
    QRandomGenerator random(22);
    const QDir dir(folder);
    if (!tileSet(random).save(dir.filePath(QStringLiteral("tmxtiles.png"))))
        return QString();
    const size_t cells = size_t(BenchMapSide) * BenchMapSide;
    const quint32 firstShape = Columns * Columns / 2 + 1;
    std::vector<quint32> ground(cells), shapes(cells, 0), glass(cells, 0);
    for (size_t i = 0; i < cells; ++i) {
        ground[i] = 1 + random.bounded(32u);
        if (random.bounded(4u) == 0)
            shapes[i] = (firstShape + random.bounded(16u)) | (random.bounded(2u) ? 0x80000000u : 0);
        if (random.bounded(10u) == 0)
            glass[i] = firstShape + 16 + random.bounded(8u);
    }
    const QString text
        = QStringLiteral(
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<map version=\"1.8\" orientation=\"orthogonal\" renderorder=\"right-down\" width=\"%1\" "
              "height=\"%1\" tilewidth=\"%2\" tileheight=\"%2\" infinite=\"0\">\n"
              " <tileset firstgid=\"1\" name=\"tiles\" tilewidth=\"%2\" tileheight=\"%2\" tilecount=\"64\" "
              "columns=\"8\">\n  <image source=\"tmxtiles.png\" width=\"256\" height=\"256\"/>\n"
              " </tileset>\n")
              .arg(BenchMapSide)
              .arg(TileSide)
        + layer(QStringLiteral("ground"), ground) + layer(QStringLiteral("shapes"), shapes)
        + layer(QStringLiteral("glass"), glass, QStringLiteral(" opacity=\"0.8\""))
        + QStringLiteral("</map>\n");
    const QString path = dir.filePath(QStringLiteral("island.tmx"));
    QFile file(path);
    const QByteArray bytes = text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

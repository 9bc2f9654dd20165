// Compares the picture a TMX reader drew of an exported map with the one
// varnhold-map drew of the map itself, pixel by pixel over the area both
// cover (the editor's picture has one more pixel in each direction, for the
// last grid line). Channels one apart, which blending translucent pixels by
// other rounding gives, are counted and located by cell; any larger
// difference fails. Usage: varnhold-imagediff READER.png VARNHOLD.png

#include <QImage>
#include <QMap>
#include <QPoint>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

int channelDistance(QRgb a, QRgb b)
{
    return std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                      std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b)) });
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "Usage: varnhold-imagediff READER.png VARNHOLD.png\n");
        return 2;
    }
    const QImage reader = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
    const QImage ours = QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_ARGB32);
    if (reader.isNull() || ours.isNull()) {
        std::fprintf(stderr, "imagediff: cannot read %s\n", reader.isNull() ? argv[1] : argv[2]);
        return 1;
    }
    std::printf("imagediff: %s is %d x %d, %s is %d x %d\n", argv[1], reader.width(), reader.height(),
                argv[2], ours.width(), ours.height());
    const int dw = ours.width() - reader.width(), dh = ours.height() - reader.height();
    if (dw < 0 || dw > 1 || dh < 0 || dh > 1) {
        std::printf("imagediff: FAILED: the sizes should be equal or %s one pixel larger\n", argv[2]);
        return 1;
    }

    qint64 equal = 0, oneApart = 0, further = 0;
    QMap<QPair<int, int>, int> oneApartCells;
    for (int y = 0; y < reader.height(); ++y) {
        for (int x = 0; x < reader.width(); ++x) {
            const int distance = channelDistance(reader.pixel(x, y), ours.pixel(x, y));
            if (distance == 0) {
                ++equal;
            } else if (distance == 1) {
                ++oneApart;
                ++oneApartCells[qMakePair(x / 40, y / 40)];
            } else if (further++ < 10) {
                std::printf("imagediff: at %d,%d: #%08x vs #%08x\n", x, y, reader.pixel(x, y),
                            ours.pixel(x, y));
            }
        }
    }
    std::printf("imagediff: %lld pixels equal, %lld one apart, %lld further apart\n", equal, oneApart,
                further);
    for (auto cell = oneApartCells.constBegin(); cell != oneApartCells.constEnd(); ++cell)
        std::printf("imagediff: cell (%d, %d): %d pixels one apart\n", cell.key().first, cell.key().second,
                    cell.value());
    if (further > 0) {
        std::printf("imagediff: FAILED\n");
        return 1;
    }
    std::printf("imagediff: passed\n");
    return 0;
}

// Compares the picture a TMX reader drew with the one varnhold-map drew,
// pixel by pixel over the area both cover (the editor's picture has one
// more pixel in each direction, for the last grid line).
//   varnhold-imagediff READER.png VARNHOLD.png
// is for an exported map, drawn from the same tiles at the same size by
// both: channels one apart, which blending translucent pixels by other
// rounding gives, are counted and located by cell; any larger difference
// fails.
//   varnhold-imagediff --sampling READER.png VARNHOLD.png
// is for an imported map, whose tiles were scaled to 40 pixels and whose
// upper layers were blended into one before they meet the bottom one:
// channels up to two apart count as blending, and a pixel that differs more
// must match a pixel next to it, in the same cell, in the other picture
// (each way round), as scaling by nearest neighbour at another rounding
// gives. Anything else fails.
//   varnhold-imagediff --exact EXPECTED.png ACTUAL.png
// is for two pictures drawn by varnhold-map alike: they must be of one size
// and equal in every pixel.

#include <QImage>
#include <QMap>
#include <QPoint>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int CellSide = 40;

int channelDistance(QRgb a, QRgb b)
{
    return std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                      std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b)) });
}

// Whether a pixel next to (x, y) in the same cell of `other` is within
// `tolerance` of `pixel`.
bool matchesNeighbour(QRgb pixel, const QImage& other, int x, int y, int width, int height, int tolerance)
{
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= width || ny >= height || nx / CellSide != x / CellSide
                || ny / CellSide != y / CellSide)
                continue;
            if (channelDistance(pixel, other.pixel(nx, ny)) <= tolerance)
                return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    const bool sampling = argc == 4 && std::strcmp(argv[1], "--sampling") == 0;
    const bool exact = argc == 4 && std::strcmp(argv[1], "--exact") == 0;
    if (argc != 3 && !sampling && !exact) {
        std::fprintf(stderr, "Usage: varnhold-imagediff [--sampling | --exact] READER.png VARNHOLD.png\n");
        return 2;
    }
    const char* const readerFile = argv[argc - 2];
    const char* const oursFile = argv[argc - 1];
    const QImage reader = QImage(QString::fromLocal8Bit(readerFile)).convertToFormat(QImage::Format_ARGB32);
    const QImage ours = QImage(QString::fromLocal8Bit(oursFile)).convertToFormat(QImage::Format_ARGB32);
    if (reader.isNull() || ours.isNull()) {
        std::fprintf(stderr, "imagediff: cannot read %s\n", reader.isNull() ? readerFile : oursFile);
        return 1;
    }
    std::printf("imagediff: %s is %d x %d, %s is %d x %d\n", readerFile, reader.width(), reader.height(),
                oursFile, ours.width(), ours.height());
    const int dw = ours.width() - reader.width(), dh = ours.height() - reader.height();
    if (dw < 0 || dw > 1 || dh < 0 || dh > 1 || (exact && (dw != 0 || dh != 0))) {
        std::printf("imagediff: FAILED: the sizes should be equal%s\n",
                    exact ? "" : " or the second one pixel larger");
        return 1;
    }

    const int blending = sampling ? 2 : exact ? 0 : 1;
    const int width = reader.width(), height = reader.height();
    qint64 equal = 0, blended = 0, sampled = 0, further = 0;
    // Per cell: pixels blended apart, pixels sampled apart.
    QMap<QPair<int, int>, QPair<int, int>> cells;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb a = reader.pixel(x, y), b = ours.pixel(x, y);
            const int distance = channelDistance(a, b);
            const QPair<int, int> cell(x / CellSide, y / CellSide);
            if (distance == 0) {
                ++equal;
            } else if (distance <= blending) {
                ++blended;
                ++cells[cell].first;
            } else if (sampling && matchesNeighbour(a, ours, x, y, width, height, blending)
                       && matchesNeighbour(b, reader, x, y, width, height, blending)) {
                ++sampled;
                ++cells[cell].second;
            } else if (further++ < 10) {
                std::printf("imagediff: at %d,%d: #%08x vs #%08x\n", x, y, a, b);
            }
        }
    }
    std::printf("imagediff: %lld pixels equal, %lld up to %d apart, %lld sampled apart, %lld further apart\n",
                equal, blended, blending, sampled, further);
    for (auto cell = cells.constBegin(); cell != cells.constEnd(); ++cell)
        std::printf("imagediff: cell (%d, %d): %d pixels up to %d apart, %d sampled apart\n",
                    cell.key().first, cell.key().second, cell.value().first, blending, cell.value().second);
    if (further > 0) {
        std::printf("imagediff: FAILED\n");
        return 1;
    }
    std::printf("imagediff: passed\n");
    return 0;
}

#include "render/tilesetimage.h"

#include <algorithm>
#include <vector>

namespace {

// 8-bit ARGB, straight or premultiplied, read in place; other formats are
// converted. An opaque pixel reads the same either way.
QImage directPixels(const QImage& image)
{
    const bool direct = image.format() == QImage::Format_ARGB32
        || image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_RGB32;
    return direct ? image : image.convertToFormat(QImage::Format_ARGB32);
}

QRgb pixelAt(const QImage& pixels, int x, int y)
{
    return reinterpret_cast<const QRgb*>(pixels.constScanLine(y))[x] | 0xff000000u;
}

// Clears, in an opaque premultiplied image, every pixel of colour `key`
// joined to the image's edge through pixels of that colour, side by side.
// A cleared pixel is 0, which no opaque pixel is, so the pixels themselves
// tell which are done. The fill goes a run of a row at a time, each run
// seeding the runs of the rows above and below it.
void clearFromEdges(QImage* pixels, QRgb key)
{
    const int width = pixels->width();
    const int height = pixels->height();
    const auto line = [pixels](int y) { return reinterpret_cast<QRgb*>(pixels->scanLine(y)); };
    std::vector<QPoint> seeds;
    for (int y = 0; y < height; ++y) {
        const bool edgeRow = y == 0 || y == height - 1;
        for (int x = 0; x < width; x += edgeRow ? 1 : width - 1) {
            seeds.emplace_back(x, y);
            if (width == 1)
                break;
        }
    }
    // Seeds a run of key pixels of row y starting in each stretch of
    // [left, right] that holds one.
    const auto seedRow = [&](int y, int left, int right) {
        const QRgb* row = line(y);
        for (int x = left; x <= right; ++x) {
            if (row[x] == key && (x == left || row[x - 1] != key))
                seeds.emplace_back(x, y);
        }
    };
    while (!seeds.empty()) {
        const QPoint seed = seeds.back();
        seeds.pop_back();
        QRgb* row = line(seed.y());
        if (row[seed.x()] != key)
            continue;
        int left = seed.x();
        while (left > 0 && row[left - 1] == key)
            --left;
        int right = seed.x();
        while (right + 1 < width && row[right + 1] == key)
            ++right;
        std::fill(row + left, row + right + 1, QRgb(0));
        if (seed.y() > 0)
            seedRow(seed.y() - 1, left, right);
        if (seed.y() + 1 < height)
            seedRow(seed.y() + 1, left, right);
    }
}

} // namespace

bool hasTransparency(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return false;
    // Premultiplying keeps the alpha as it is.
    const QImage pixels = directPixels(image);
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        if (std::any_of(line, line + pixels.width(), [](QRgb pixel) { return qAlpha(pixel) != 255; }))
            return true;
    }
    return false;
}

QColor backgroundColour(const QImage& image)
{
    if (image.isNull() || hasTransparency(image))
        return QColor();
    const QImage pixels = directPixels(image);
    const int right = pixels.width() - 1;
    const int bottom = pixels.height() - 1;
    const QRgb corner = pixelAt(pixels, 0, 0);
    if (pixelAt(pixels, right, 0) != corner || pixelAt(pixels, 0, bottom) != corner
        || pixelAt(pixels, right, bottom) != corner)
        return QColor();
    return QColor::fromRgb(corner);
}

QPixmap drawnTileSetImage(const QPixmap& loaded)
{
    if (loaded.isNull())
        return loaded;
    // A deeper image would be blended at another precision than the one the
    // canvas composites at.
    const QImage image = loaded.toImage();
    const QColor background = backgroundColour(image);
    QImage pixels = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (background.isValid())
        clearFromEdges(&pixels, background.rgba());
    else if (image.format() == QImage::Format_ARGB32_Premultiplied)
        return loaded;
    // Kept premultiplied also when every pixel is opaque.
    return QPixmap::fromImage(std::move(pixels), Qt::NoOpaqueDetection);
}

QColor maskedCornerColour(const QImage& image)
{
    const int right = image.width() - 1, bottom = image.height() - 1;
    const auto rgb = [&image](int x, int y) { return image.pixel(x, y) & 0x00ffffffu; };
    const QRgb topLeft = rgb(0, 0), topRight = rgb(right, 0);
    const QRgb bottomLeft = rgb(0, bottom), bottomRight = rgb(right, bottom);
    QRgb corner = topLeft;
    if (topLeft != topRight && topLeft != bottomLeft && topLeft != bottomRight) {
        corner = topRight;
        if (topRight != bottomRight && topRight != bottomLeft && bottomLeft == bottomRight)
            corner = bottomRight;
    }
    return QColor(corner);
}

qint64 drawnImageCopyBytes(const QPixmap& loaded)
{
    const QImage pixels = loaded.toImage();
    if (pixels.format() == QImage::Format_ARGB32_Premultiplied && hasTransparency(pixels))
        return 0;
    return qint64(loaded.width()) * loaded.height() * 4;
}

QPixmap markerImage(const QString& resource)
{
    return drawnTileSetImage(QPixmap(resource));
}

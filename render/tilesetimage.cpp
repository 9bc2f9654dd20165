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
// tell which are done.
void clearFromEdges(QImage* pixels, QRgb key)
{
    const int width = pixels->width();
    const int height = pixels->height();
    auto* first = reinterpret_cast<QRgb*>(pixels->bits());
    const qsizetype stride = pixels->bytesPerLine() / qsizetype(sizeof(QRgb));
    std::vector<QPoint> pending;
    const auto clear = [&](int x, int y) {
        QRgb& pixel = first[y * stride + x];
        if (pixel == key) {
            pixel = 0;
            pending.emplace_back(x, y);
        }
    };
    for (int x = 0; x < width; ++x) {
        clear(x, 0);
        clear(x, height - 1);
    }
    for (int y = 0; y < height; ++y) {
        clear(0, y);
        clear(width - 1, y);
    }
    while (!pending.empty()) {
        const QPoint at = pending.back();
        pending.pop_back();
        if (at.x() > 0)
            clear(at.x() - 1, at.y());
        if (at.x() + 1 < width)
            clear(at.x() + 1, at.y());
        if (at.y() > 0)
            clear(at.x(), at.y() - 1);
        if (at.y() + 1 < height)
            clear(at.x(), at.y() + 1);
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

QPixmap markerImage(const QString& resource)
{
    return drawnTileSetImage(QPixmap(resource));
}

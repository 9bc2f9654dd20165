#include "render/tilesetimage.h"

#include <QBitmap>
#include <QImage>

#include <algorithm>

bool hasTransparency(const QImage& image)
{
    if (!image.hasAlphaChannel())
        return false;
    // Premultiplying keeps the alpha as it is.
    const bool direct
        = image.format() == QImage::Format_ARGB32 || image.format() == QImage::Format_ARGB32_Premultiplied;
    const QImage pixels = direct ? image : image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < pixels.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
        if (std::any_of(line, line + pixels.width(), [](QRgb pixel) { return qAlpha(pixel) != 255; }))
            return true;
    }
    return false;
}

QPixmap drawnTileSetImage(const QPixmap& loaded)
{
    QPixmap drawn = loaded;
    if (drawn.isNull())
        return drawn;
    // The heuristic mask reads a transparent corner as black and would cut
    // out every dark outline and shadow that touches the background.
    if (!hasTransparency(drawn.toImage()))
        drawn.setMask(drawn.createHeuristicMask(true));
    // A deeper image would be blended at another precision than the one the
    // canvas composites at.
    const QImage pixels = drawn.toImage();
    if (pixels.format() != QImage::Format_ARGB32_Premultiplied)
        drawn = QPixmap::fromImage(pixels.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    return drawn;
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

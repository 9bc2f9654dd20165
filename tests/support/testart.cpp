#include "support/testart.h"

#include <QPainter>

QImage ellipseTileSet(QImage::Format format, const QColor& background, int alpha)
{
    QImage image(120, 80, format);
    image.fill(background);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setRenderHint(QPainter::Antialiasing, alpha < 255);
    for (int index = 0; index < 6; ++index) {
        const QRect tile((index % 3) * 40, (index / 3) * 40, 40, 40);
        painter.setBrush(QColor::fromHsv(index * 50, 200, 230, alpha));
        painter.drawEllipse(tile.adjusted(3 + index, 4, -5, -3 - index));
    }
    return image;
}

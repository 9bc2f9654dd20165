#include "canvas/tilesetimage.h"

#include <QBitmap>

QPixmap drawnTileSetImage(const QPixmap& loaded)
{
    QPixmap drawn = loaded;
    if (!drawn.isNull())
        drawn.setMask(drawn.createHeuristicMask(true));
    return drawn;
}

QPixmap colourMaskedImage(const QString& resource)
{
    QPixmap image(resource);
    image.setMask(image.createHeuristicMask(true));
    return image;
}

#include "canvas/tilesetimage.h"

#include <QBitmap>

QPixmap drawnTileSetImage(const QPixmap& loaded)
{
    QPixmap drawn = loaded;
    if (!drawn.isNull())
        drawn.setMask(drawn.createHeuristicMask(true));
    return drawn;
}

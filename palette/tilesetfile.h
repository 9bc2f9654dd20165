#pragma once

#include <QImage>
#include <QString>

// Reads a tile-set image file the way QPixmap::load would, but only from a
// regular file, so that a FIFO or a device never blocks the editor, and
// refuses an image whose decoded pixels would exceed Qt's allocation limit
// before decoding anything. On failure returns a null image and sets
// *reason. The palette loads every tile set through it.
QImage readTileSetImage(const QString& file, QString* reason);

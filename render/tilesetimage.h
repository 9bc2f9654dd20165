#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>

// The image the map's cells are drawn from, made from a loaded tile-set
// image. An image with any transparent or partly transparent pixel already
// says what its background is: it is drawn as it is, with its own alpha.
// An image without any transparency is taken as colour-keyed: the colour
// of its corners, and every pixel of that colour connected to them, is
// made transparent, so that a top-layer tile lets the bottom layer show
// through. Either way the pixels are premultiplied 8-bit ARGB, the format
// the canvas composites.
QPixmap drawnTileSetImage(const QPixmap& loaded);

// Bytes drawnTileSetImage() allocates for its image beyond the loaded one:
// none when it draws the loaded pixels as they are.
qint64 drawnImageCopyBytes(const QPixmap& loaded);

// Whether any pixel of `image` is less than fully opaque.
bool hasTransparency(const QImage& image);

// The colour that drawnTileSetImage() clears from an image without any
// transparency: the colour of the corners as Qt's heuristic mask picks it,
// the top-left unless no other corner shares it.
QColor maskedCornerColour(const QImage& image);

// One of the canvas's marker images from the program's resources (a pass
// mark, the cursor), made ready to draw by the same rule as a tile set.
QPixmap markerImage(const QString& resource);

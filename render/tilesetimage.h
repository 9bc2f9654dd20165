#pragma once

#include <QColor>
#include <QImage>
#include <QPixmap>

// The image the map's cells are drawn from, made from a loaded tile-set
// image. An image with any transparent or partly transparent pixel already
// says what its background is: it is drawn as it is, with its own alpha.
// An image without any transparency is taken as drawn on a background
// colour only when all four corner pixels have exactly one colour: that
// colour is cut out wherever it reaches the image's edge (see
// backgroundColour), so that a top-layer tile lets the bottom layer show
// through; an opaque image whose corners differ is drawn whole. Either way
// the pixels are premultiplied 8-bit ARGB, the format the canvas composites.
QPixmap drawnTileSetImage(const QPixmap& loaded);

// Bytes drawnTileSetImage() allocates for its image beyond the loaded one:
// none when it draws the loaded pixels as they are.
qint64 drawnImageCopyBytes(const QPixmap& loaded);

// The colour drawnTileSetImage() cuts out of `image`, and that a TMX export
// names as the image's transparent colour: the colour all four corners
// share, in an image without any transparency. Invalid for an image with
// transparency or with corners of more than one colour, which keep every
// pixel.
QColor backgroundColour(const QImage& image);

// Whether any pixel of `image` is less than fully opaque.
bool hasTransparency(const QImage& image);

// The colour that drawnTileSetImage() clears from an image without any
// transparency: the colour of the corners as Qt's heuristic mask picks it,
// the top-left unless no other corner shares it.
QColor maskedCornerColour(const QImage& image);

// One of the canvas's marker images from the program's resources (a pass
// mark, the cursor), made ready to draw by the same rule as a tile set.
QPixmap markerImage(const QString& resource);

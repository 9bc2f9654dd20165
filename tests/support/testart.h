#pragma once

#include <QColor>
#include <QImage>

// A 3 x 2 tile set of ellipses, each of its own colour, on `background`:
// opaque art on a plain colour, colour-keyed art on the key colour, or
// antialiased translucent art on a clear background when `alpha` is below
// 255.
QImage ellipseTileSet(QImage::Format format, const QColor& background, int alpha);

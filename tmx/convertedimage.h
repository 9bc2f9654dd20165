#pragma once

#include "tmx/tilestacks.h"

#include <QImage>
#include <QString>

class TileArtwork;

// The converted tile-set image of a map: stack k drawn as tile k, of
// `tileSide` pixels, laid out by tileImageLayout(). The image always has a
// clear pixel, so that the editor draws it as it is and never takes it for
// art on a background colour (which it would cut out): when every tile is
// opaque and fills the image, one clear tile is added. False with the
// problem when the image would take more memory than one tile-set image may
// (the tile sets' budget, and what Qt decodes); a null image when there are
// no stacks.
bool drawConvertedImage(const TileStacks& stacks, const TileArtwork& art, const QSize& cellSize, int tileSide,
                        QImage* image, QString* error);

#pragma once

#include <QPixmap>

// The image the map's cells are drawn from, made from a loaded tile-set
// image: its background, as the colour of its corners tells, is made
// transparent, so that a top-layer tile lets the bottom layer show through.
QPixmap drawnTileSetImage(const QPixmap& loaded);

// One of the canvas's marker images from the program's resources (a pass
// mark, the cursor), its background colour, as its corners tell, cleared.
QPixmap colourMaskedImage(const QString& resource);

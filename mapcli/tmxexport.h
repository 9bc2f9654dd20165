#pragma once

#include "mapcli/tmxdocument.h"

#include <QImage>
#include <QString>

class MapSource;

// The one tile of the "pass" tile set, drawn on each passable cell: a green
// frame over a faint green square.
QImage passTileImage(int tileSize);

// The TMX form of a map file: the layers "bottom", "top" and "pass", in
// that order; one tileset per tile set that holds tiles (a name listed twice
// is one set), its image path relative to `tmxFolder`; then the "pass"
// tileset, whose image `passImageSource` lies beside the TMX file. A cell
// that draws nothing in the editor (its set not loaded, its tile beyond the
// set's whole tiles) is empty; the source's problems name those cells.
TmxMap tmxMapOf(const MapSource& source, const QString& tmxFolder, const QString& passImageSource);

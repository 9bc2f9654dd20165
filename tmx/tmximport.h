#pragma once

#include "mapfile/mapdata.h"

#include <QImage>
#include <QString>
#include <QStringList>

// A map of the Tiled editor (TMX) made a map of the editor's own: what a
// map file of it holds, the converted tile-set image when it needs one, and
// the report of what was kept, converted and left out.
struct TmxImport
{
    // Tile-set names relative to the current folder, as in every map file.
    MapData map;
    // The converted tile-set image (premultiplied ARGB, tiles of 40 x 40
    // pixels), named in `map` as `tileImagePath`; null when the map names
    // the TMX map's own tile-set images, or draws no tile at all.
    QImage tileImage;
    QString tileImagePath;
    // "Imported island.tmx: 58 x 47, 3 tile layers into 2, 212 tiles in
    // island.tiles.png; left out: 1 object layer"
    QString report;
    // The files the import read, absolute paths: the TMX file, its TSX
    // files and the tile-set images drawn from.
    QStringList readFiles;
};

// The usual path of a converted tile-set image: beside `path`, named after
// it without its extension, relative to the current folder:
// "maps/island.tiles.png" for "maps/island.map", "maps/island.tmx" or
// "maps/island.tmx.gz".
QString tmxTileImagePath(const QString& path);

// Reads the TMX map at `tmxPath` (gzip-compressed or not) and makes it a
// map of two layers of 40 x 40-pixel tiles that looks as Tiled draws it.
// Such a map as varnhold-map export writes it names its own images (see
// mapWithOwnTileSets()); any other is converted: the first drawn tile layer
// becomes the bottom layer, the drawn layers above it are composited into
// the top one, and each distinct stack of tiles over a cell becomes a tile
// of one converted image, scaled by nearest neighbour and named
// `tileImagePath` (relative to the current folder). A tile layer named
// "pass" (any case) gives the pass flags. Nothing is written. False, with
// one line that names the file, when the file cannot be read or is not a
// well-formed orthogonal TMX map of at most 255 cells a side, a tile set's
// image cannot be read, or the converted image would be too large.
bool importTmxFile(const QString& tmxPath, const QString& tileImagePath, TmxImport* import, QString* error);

// Writes the converted image of an import as a PNG file to its
// tileImagePath, replacing a file there whole, never leaving it cut short;
// refuses one of the files the import read. True when there is no image.
// On failure *error is "PATH: cannot be written: REASON".
bool writeTmxTileImage(const TmxImport& import, QString* error);

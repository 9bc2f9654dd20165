#pragma once

#include "tmx/tiledmap.h"
#include "tmx/xmlfile.h"

class QXmlStreamReader;

// The largest tile, in pixels a side, that a tile set or a map may have.
constexpr int MaxTmxTilePixels = 4096;

// Reads the <tileset> element that `xml` has just entered, up to its end,
// into *set: its first global id, tile size, margin, spacing, draw offset,
// and its image with the transparent colour, or its collection of images.
// A tile set kept in a TSX file of its own (source) is read from there; a
// path is relative to the file that writes it. False with the problem,
// naming the file and line; XML that is not well-formed is left for the
// caller to find in `xml`.
// The path of a TSX file read is added to `files`.
bool readTileSet(QXmlStreamReader& xml, const XmlFile& file, TiledTileSet* set, QStringList* files,
                 QString* error);

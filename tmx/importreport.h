#pragma once

#include <QSize>
#include <QString>

// What an import of a TMX map did, for its one-line report.
struct ImportSummary
{
    QString tmxName; // the TMX file's name, without its folder
    QSize size; // cells
    int tileLayers = 0; // drawn and pass layers
    // Tiles of the converted image, named imageName; -1 when the map names
    // its own tile sets, keptTileSets of them.
    int convertedTiles = -1;
    QString imageName;
    int keptTileSets = 0;
    // What is left out.
    int objectLayers = 0;
    int imageLayers = 0;
    int hiddenLayers = 0;
    qint64 unknownTiles = 0; // ids without an image in their tile set, or of none
};

// "Imported island.tmx: 58 x 47, 3 tile layers into 2, 212 tiles in
// island.tiles.png; left out: 1 object layer". A map that keeps its tile
// sets says "2 tile sets kept" instead of the tiles, one without any tile
// "no tiles"; what is left out is listed only when there is any.
QString importReport(const ImportSummary& summary);

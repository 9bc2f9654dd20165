#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QSize>
#include <QString>

#include <vector>

// A tile set of a TMX map: one image cut into square tiles, row by row.
struct TmxTileSet
{
    int firstGid = 1;
    QString name;
    // The image's path as the TMX file refers to it.
    QString imageSource;
    QSize imageSize;
    // Invalid when the image keeps its own alpha.
    QColor transparentColour;

    int columns(int tileSize) const { return imageSize.width() / tileSize; }
    int tileCount(int tileSize) const { return columns(tileSize) * (imageSize.height() / tileSize); }
};

// A tile layer: one global tile id per cell, row by row; 0 for none.
struct TmxLayer
{
    QString name;
    std::vector<quint32> gids;
};

// An orthogonal TMX map of square tiles.
struct TmxMap
{
    QSize size; // cells
    int tileSize = 40;
    QList<TmxTileSet> tileSets;
    QList<TmxLayer> layers;
};

// The first character of `text` that no XML 1.0 document can hold, such
// as a control character, as "U+0001"; empty when it can hold them all.
QString characterXmlCannotHold(const QString& text);

// The TMX 1.8 document of the map: its tile sets, then its layers in order,
// drawn first to last, each CSV-encoded.
QByteArray tmxDocument(const TmxMap& map);

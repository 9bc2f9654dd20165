#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

// The flags of a global tile id in a TMX map's layer data; the id is the
// rest. Tiled flips a tile over its diagonal first, then horizontally and
// vertically. The fourth flag turns tiles of hexagonal maps and means
// nothing on an orthogonal one.
constexpr quint32 TmxFlipHorizontal = 0x80000000u;
constexpr quint32 TmxFlipVertical = 0x40000000u;
constexpr quint32 TmxFlipDiagonal = 0x20000000u;
constexpr quint32 TmxFlipFlags = TmxFlipHorizontal | TmxFlipVertical | TmxFlipDiagonal;
constexpr quint32 TmxTileIdMask = 0x0fffffffu;

// A tile set of a map made in Tiled, as its TMX or TSX file describes it:
// either one image cut into tiles, or a collection of one image per tile.
struct TiledTileSet
{
    quint32 firstGid = 1;
    QString name;
    QSize tileSize;
    int margin = 0;
    int spacing = 0;
    // Where each tile is drawn from the place Tiled gives it (<tileoffset>).
    QPoint drawOffset;
    // One image: its path, made absolute from the file that names it.
    // Empty for a collection.
    QString imagePath;
    // The colour cleared from that image (trans); invalid for none.
    QColor transparentColour;
    // A collection: each tile id's image, absolute paths.
    std::map<quint32, QString> tileImages;
};

// A tile layer as drawn: the visibility, opacity and offset of the groups
// around it applied.
struct TiledLayer
{
    QString name;
    bool visible = true;
    double opacity = 1;
    QPoint offset; // pixels
    // The cells the layer's data covers, in the map's cell coordinates
    // (an infinite map's chunks may lie at negative ones).
    QRect cells;
    // One global tile id with its flags per cell of `cells`, row by row;
    // 0 for none.
    std::vector<quint32> gids;
};

// A map made in Tiled as its TMX file holds it, before it is converted.
struct TiledMap
{
    QString orientation;
    QSize tileSize; // pixels of one cell
    // The map's cells: the map's own size, or for an infinite map the
    // bounding box of the chunks of its visible and its pass layers.
    QRect cells;
    bool infinite = false;
    std::vector<TiledTileSet> tileSets; // ascending first gids
    std::vector<TiledLayer> tileLayers; // in drawing order, hidden ones too
    int objectLayers = 0;
    int imageLayers = 0;
    // The TMX file and the TSX files read, absolute paths.
    QStringList files;
};

// Whether a tile layer of that name gives the pass flags instead of being
// drawn: "pass" in any case.
inline bool isPassLayerName(const QString& name)
{
    return name.compare(QLatin1String("pass"), Qt::CaseInsensitive) == 0;
}

#pragma once

#include "tmx/tiledmap.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <map>
#include <vector>

// What one tile draws: a part of a decoded image, premultiplied, its
// transparent colour cleared, and where it goes from the place Tiled gives
// the tile. A null image draws nothing.
struct TileDrawing
{
    const QImage* image = nullptr;
    QRect source;
    QPoint offset;
};

// The art of a map's tile sets: each image file read as every tile-set
// image is (never waiting on the file, bounded, refused from its header
// when too large), decoded once per file and transparent colour, all of
// them within TileSetImagesBudgetBytes; and the tile each global id draws,
// cut as Tiled cuts it.
class TileArtwork
{
public:
    explicit TileArtwork(const std::vector<TiledTileSet>& tileSets);

    // The position of the tile set that id (flags removed) belongs to; -1
    // when none does.
    int tileSetOf(quint32 id) const;
    // Reads the images of the tile sets at these positions. False with the
    // problem, naming the tile set and the file, at the first that cannot
    // be read.
    bool load(const std::vector<int>& sets, QString* error);
    // What the id (flags removed) draws once its tile set is loaded; nothing
    // when its set has no tile of that id.
    TileDrawing drawing(quint32 id) const;

    // The image files read, absolute paths.
    QStringList files() const;

    // For a loaded one-image tile set: whether its file has any pixel that
    // is not opaque, and the corner colour the editor would clear from it.
    bool fileHasTransparency(int set) const;
    QColor fileCornerColour(int set) const;

private:
    struct Image
    {
        QString path;
        QRgb trans = 0;
        bool clearsColour = false;
        QImage drawn;
        bool fileTransparent = false;
        QColor fileCorner;
    };

    // The image's position in `images`, read when it is not there yet.
    bool image(const QString& path, const QColor& trans, const QString& tileSetName, int* index,
               QString* error);

    const std::vector<TiledTileSet>& tileSets;
    std::vector<quint32> firstGids;
    std::vector<int> setImage; // per set: -1 until its image is loaded
    std::vector<std::map<quint32, int>> tileImages; // per collection: id to image
    std::vector<Image> images;
    qint64 bytesHeld = 0;
};

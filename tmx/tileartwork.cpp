#include "tmx/tileartwork.h"

#include "mapfile/fileio.h"
#include "mapfile/tilesetfile.h"
#include "render/tilesetimage.h"

#include <QDir>

#include <algorithm>

namespace {

// Tiled cuts tiles from the margin on, one spacing apart, as long as a
// whole tile fits; the margin counts on the left and top only.
int tilesAlong(int imageSide, int tileSide, int margin, int spacing)
{
    return std::max(0, (imageSide - margin + spacing) / (tileSide + spacing));
}

// Clears every opaque pixel of the colour, as Tiled does.
QImage withColourCleared(const QImage& image, QRgb colour)
{
    QImage cleared = image.convertToFormat(QImage::Format_ARGB32);
    const QRgb opaque = colour | 0xff000000u;
    for (int y = 0; y < cleared.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(cleared.scanLine(y));
        std::replace(line, line + cleared.width(), opaque, QRgb(0));
    }
    return cleared;
}

} // namespace

TileArtwork::TileArtwork(const std::vector<TiledTileSet>& tileSets)
    : tileSets(tileSets)
    , setImage(tileSets.size(), -1)
    , tileImages(tileSets.size())
{
    for (const TiledTileSet& set : tileSets)
        firstGids.push_back(set.firstGid);
}

int TileArtwork::tileSetOf(quint32 id) const
{
    const auto after = std::upper_bound(firstGids.begin(), firstGids.end(), id);
    return after == firstGids.begin() ? -1 : int(after - firstGids.begin()) - 1;
}

bool TileArtwork::image(const QString& path, const QColor& trans, const QString& tileSetName, int* index,
                        QString* error)
{
    const bool clearsColour = trans.isValid();
    const QRgb colour = clearsColour ? trans.rgb() : 0;
    for (size_t i = 0; i < images.size(); ++i) {
        if (images[i].path == path && images[i].clearsColour == clearsColour && images[i].trans == colour) {
            *index = int(i);
            return true;
        }
    }
    const auto problem = [&](const QString& cause) {
        return QStringLiteral("tile set \"%1\": %2 cannot be read: %3")
            .arg(tileSetName, QDir::current().relativeFilePath(path), cause);
    };
    ReadableFile opened;
    TileSetFile file;
    QString reason;
    if (!opened.open(path, &reason) || !readTileSetFile(opened, &file, &reason)) {
        *error = problem(reason);
        return false;
    }
    const qint64 bytes = qint64(file.size.width()) * file.size.height() * 4;
    if (bytesHeld + bytes > TileSetImagesBudgetBytes) {
        *error = problem(QStringLiteral("with it the tile-set images would take %1 MB decoded, more than "
                                            "the %2 MB they may take together")
                                 .arg(megabytesRoundedUp(bytesHeld + bytes))
                                 .arg(megabytesRoundedUp(TileSetImagesBudgetBytes)));
        return false;
    }
    const QImage decoded = decodeTileSetFile(file, &reason);
    if (decoded.isNull()) {
        *error = problem(reason);
        return false;
    }
    Image read;
    read.path = path;
    read.trans = colour;
    read.clearsColour = clearsColour;
    read.fileTransparent = hasTransparency(decoded);
    read.fileCorner = maskedCornerColour(decoded);
    const QImage cleared = clearsColour ? withColourCleared(decoded, colour) : decoded;
    read.drawn = cleared.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    bytesHeld += bytes;
    *index = int(images.size());
    images.push_back(std::move(read));
    return true;
}

bool TileArtwork::load(const std::vector<int>& sets, QString* error)
{
    for (int s : sets) {
        const TiledTileSet& set = tileSets[size_t(s)];
        if (!set.imagePath.isEmpty()) {
            if (setImage[size_t(s)] < 0
                && !image(set.imagePath, set.transparentColour, set.name, &setImage[size_t(s)], error))
                return false;
            continue;
        }
        for (const auto& [id, path] : set.tileImages) {
            int index = -1;
            if (!image(path, QColor(), set.name, &index, error))
                return false;
            tileImages[size_t(s)][id] = index;
        }
    }
    return true;
}

TileDrawing TileArtwork::drawing(quint32 id) const
{
    const int s = tileSetOf(id);
    if (s < 0)
        return TileDrawing();
    const TiledTileSet& set = tileSets[size_t(s)];
    const quint32 local = id - set.firstGid;
    if (set.imagePath.isEmpty()) {
        const auto found = tileImages[size_t(s)].find(local);
        if (found == tileImages[size_t(s)].end())
            return TileDrawing();
        const QImage& image = images[size_t(found->second)].drawn;
        return { &image, image.rect(), set.drawOffset };
    }
    if (setImage[size_t(s)] < 0)
        return TileDrawing();
    const QImage& image = images[size_t(setImage[size_t(s)])].drawn;
    const QSize tile = set.tileSize;
    const int columns = tilesAlong(image.width(), tile.width(), set.margin, set.spacing);
    const int rows = tilesAlong(image.height(), tile.height(), set.margin, set.spacing);
    if (local >= quint32(columns) * quint32(rows))
        return TileDrawing();
    const int column = int(local % quint32(columns)), row = int(local / quint32(columns));
    const QPoint corner(set.margin + column * (tile.width() + set.spacing),
                        set.margin + row * (tile.height() + set.spacing));
    return { &image, QRect(corner, tile), set.drawOffset };
}

QStringList TileArtwork::files() const
{
    QStringList paths;
    for (const Image& image : images)
        paths << image.path;
    return paths;
}

bool TileArtwork::fileHasTransparency(int set) const
{
    return images[size_t(setImage[size_t(set)])].fileTransparent;
}

QColor TileArtwork::fileCornerColour(int set) const
{
    return images[size_t(setImage[size_t(set)])].fileCorner;
}

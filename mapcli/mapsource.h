#pragma once

#include "mapfile/mapdata.h"

#include "document/tilesetimagestore.h"

#include <QImage>
#include <QPixmap>
#include <QList>
#include <QString>

#include <vector>

class WorldMap;

// One thing wrong with a map file, on a line of it (counted from 1), or on
// the file as a whole (line 0).
struct MapProblem
{
    int line = 0;
    QString message;

    // "FILE:LINE: message", or "FILE: message" without a line.
    QString text(const QString& file) const;
};

// A map file as the command line reads it: read and parsed as the editor's
// import reads it, its tile sets loaded from the current folder as the
// editor loads them, and every problem found on the way with its line: a
// file that cannot be read or parsed, a tile set that cannot be loaded (not
// even one whole tile), a cell whose tile lies beyond its set, and a tile
// without a set, which the import reads as an empty cell.
class MapSource
{
public:
    static constexpr int TileSize = 40;
    // Cells with problems listed one by one; more are counted in one line.
    static constexpr int MaxCellProblems = 20;

    // False, with the reason as the only problem, when the file cannot be
    // read or parsed.
    bool load(const QString& path);

    const QString& path() const { return filePath; }
    const MapData& data() const { return mapData; }
    const QList<MapProblem>& problems() const { return found; }
    // The problems as printed, one "FILE:LINE: message" each.
    QStringList problemLines() const;

    // The image of the k-th name of the file's list as read from its file;
    // null when it could not be loaded.
    QImage tileSetImage(int k) const { return images[size_t(k)].toImage(); }
    // Whole tiles in that image, row by row; 0 when it is not loaded.
    int tileCount(int k) const;
    // The tile a cell record draws: its set's first position in the list
    // (a name listed twice is one set) and a tile inside it; false for an
    // empty cell and a cell that draws nothing.
    bool drawnTile(const CellRecord& record, int* set) const;
    // The first position of the k-th name in the list.
    int firstPosition(int k) const { return firstOfName[size_t(k)]; }

    // Gives `map` the file's size, cells and tile sets, the images as the
    // canvas draws them; a set whose image for drawing does not fit in the
    // budget draws nothing and is added to the problems.
    void fillWorldMap(WorldMap* map);

private:
    // Why each listed set draws nothing, by position; empty for a set that
    // loaded with whole tiles and for a name listed before.
    std::vector<QString> loadTileSets();
    void findProblems(const QByteArray& bytes, const std::vector<QString>& loadFailures);

    QString filePath;
    MapData mapData;
    QList<MapProblem> found;
    // As the palette holds them: each file decoded once, within one budget.
    TileSetImageStore store;
    std::vector<QPixmap> images;
    std::vector<int> firstOfName;
};

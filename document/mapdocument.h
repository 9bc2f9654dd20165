#pragma once

#include "document/mapsteps.h"
#include "document/tilesetimagestore.h"
#include "document/tilesetwatcher.h"
#include "document/undohistory.h"
#include "model/tile.h"
#include "model/tilestamp.h"
#include "model/worldmap.h"

#include <QObject>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

struct MapData;

// A message about a file, with %1 where the file's path goes, so that
// whoever shows it can shorten a long path to fit the screen.
struct FileProblem
{
    QString message;
    QString path;

    QString text() const { return path.isEmpty() ? message : message.arg(path); }
};

// The map being edited, without a widget: the map with its tile sets, the
// undo history, the brush, the store of decoded tile-set images and the
// map's file. It watches the files of the loaded tile sets and reads each
// again when it changes on disk. The canvas and the palette are views of
// it: they read it, follow its signals and the map's, and change it only
// through the operations here, each of which is one step of the history or
// a change a step cannot hold (loading a tile set, the brush, the set
// shown). Loading and saving return their errors; nothing here shows a
// message.
class MapDocument : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxTileSets = WorldMap::MaxTileSets;
    static constexpr int DefaultSide = 30;
    // Side of a tile in a tile-set image, in image pixels.
    static constexpr int TileSize = 40;

    explicit MapDocument(QObject* parent = nullptr);
    ~MapDocument() override;

    const WorldMap& map() const { return worldMap; }
    UndoHistory& history() { return undoHistory; }
    const UndoHistory& history() const { return undoHistory; }

    // The file last saved to or imported from; empty for a new map.
    QString fileName() const { return worldMap.fileName(); }
    // Whether saving would write other bytes than the file holds: some
    // step since the last save or import changed cells or the size, or a
    // tile set was loaded. Undoing back to a state saved or imported makes
    // the map unmodified again; the start point, which a file cannot hold,
    // never modifies it.
    bool isModified() const { return modified; }

    // Tile-set images (and the maps of the Tiled editor, which are drawn from
    // images) are read and decoded through `decoding` from now on (not
    // owned); without one, at once.
    void setTileSetDecoding(TileSetDecoding* decoding) { images.setDecoding(decoding); }

    // Replaces the map by the map file's, as one step. The file is read and
    // checked, and every tile set it names loaded, before anything changes.
    // A set whose name is not found relative to the current folder is looked
    // for relative to the map file's folder; it keeps its name.
    // False with the reason when the file cannot be read or is not a map
    // file, and with an empty reason when the user cancelled the decoding
    // of an image: nothing changed. A tile set that cannot be loaded does
    // not stop the import: its
    // cells keep its name, and why it could not be loaded is appended to
    // *unloadedSets. A map of the Tiled editor (.tmx, .tmx.gz) is converted
    // first, its converted tile set written beside it; the map then has no
    // map file of its own yet, so it counts as modified until saved, and
    // imported() tells what was kept, converted and left out.
    static bool isTmxFile(const QString& file);
    bool importMap(const QString& file, QString* error, QList<FileProblem>* unloadedSets);
    // Writes the map to `file`, which becomes the map's own; false with the
    // reason when the map cannot be stored or the file cannot be written.
    bool save(const QString& file, QString* error);

    // The image of a tile-set file, decoded through the store, without
    // changing anything: null with the reason when it cannot be loaded, when
    // a map file could not store `file` as a name, or when MaxTileSets sets
    // are loaded already; null with an empty message when the user cancelled
    // its decoding.
    QPixmap readTileSet(const QString& file, FileProblem* problem);
    // Appends the set `name` with its image to the loaded sets. This is no
    // step of the history: the map is modified until saved. False when the
    // copy cells draw from does not fit the images' budget.
    bool addTileSet(const QString& name, const QPixmap& image);
    // Whether the set loaded last is `name` with this very image.
    bool isNewestTileSet(const QString& name, const QPixmap& image) const;
    // Drops every loaded set; cells keep their sets' names.
    void clearTileSets();
    // Points the set `name`, which is not loaded, at the image file `file`:
    // the set is loaded under the path of `file` relative to the current
    // folder, and every cell that named it, those the undo history keeps
    // included, names the set loaded. No step of the history: the map is
    // modified until saved. False with the reason, nothing changed, when the
    // image cannot be loaded, its name cannot be stored, or the map has a
    // set of that name already.
    bool locateTileSet(const QString& name, const QString& file, FileProblem* problem);
    // Reads the file of the loaded sets read from `file` (an absolute path)
    // again and replaces their images in place, in the map and in the steps
    // of the history, without a step of its own; the watcher calls it when
    // the file changes. Reports a failure through reloadFailed(), a grid of
    // another width through tileSetWidthChanged().
    void reloadTileSetFile(const QString& file);
    // Renumbers the cells of the set `name`, numbered for a grid
    // `fromColumns` wide, for the grid its image has now, so that each tile
    // keeps its place in the picture: one step of the history. The brush
    // follows.
    void renumberTileSet(const QString& name, int fromColumns);
    // Shows the loaded set k in the palette; -1 for none.
    void showTileSet(int k);

    // The brush, a stamp of one tile or a block of them (see TileStamp).
    // brush() is its tile, or a block's first tile; empty for none.
    const Tile& brush() const { return brushTile; }
    void setBrush(const Tile& tile);
    // The tiles of `tiles`, in columns and rows of the grid of the loaded
    // set k, as the brush.
    void setBrushTiles(int k, const QRect& tiles);
    // The cells of `area` of `layer` as the brush, without their pass flags;
    // its empty cells paint nothing.
    void setBrushCells(Layer layer, const QRect& area);
    const TileStamp& brushStamp() const { return stamp; }
    // What painting lays: the brush without the tiles of sets not loaded.
    TileStamp paintedStamp() const;
    // The sets of the brush's tiles, each named once.
    QStringList brushTileSets() const;

    // At random, each painted cell takes one of the brush's tiles, chosen
    // from a seed that each gesture takes; setting the seed makes the
    // choice of the gestures after it reproducible.
    bool isRandomBrush() const { return random; }
    void setRandomBrush(bool on);
    quint32 brushSeed() const { return seed; }
    void setBrushSeed(quint32 next);
    // The seed of a gesture that paints, when at random; the next gesture
    // gets another.
    std::optional<quint32> takeBrushSeed();

    // Edits, each one step of the history when it changes anything. `edit`
    // is called with the map and a patch to record what it replaces into;
    // the edits of one stroke are one step.
    template<typename Edit>
    void editCells(const QString& text, const Edit& edit, int stroke = -1)
    {
        CellPatch done;
        edit(worldMap, &done);
        keepEdit(text, std::move(done), stroke);
    }
    void setStartPoint(const QPoint& cell);
    // Cells beyond the new size are cut off (undo brings them back).
    void resize(const QSize& size);
    // Empties both layers at the current size and forgets every tile set
    // and the file: a new map, not modified.
    void newSet();

signals:
    void modifiedChanged(bool modified);
    // An import of a map of the Tiled editor ended with this report.
    void imported(const QString& report);
    void brushChanged();
    // A reload gave the set `name`, which cells of the map use, a grid of
    // whole tiles `columns` wide instead of `before`.
    void tileSetWidthChanged(const QString& name, int before, int columns);
    // A changed tile-set file could not be read again; the set keeps the
    // image it had. `message` holds %1 where `path` goes.
    void reloadFailed(const QString& message, const QString& path);

private:
    // The TMX map converted, its converted image written; false with the
    // reason, or with none when cancelled.
    bool convertTmxMap(const QString& file, MapData* data, QString* report, QString* error);
    void keepEdit(const QString& text, CellPatch done, int stroke);
    // What a file holds besides the cells: its name and the sets' names.
    QString savedKey() const;
    void updateModified();
    void watchTileSets();
    // The image of `path` and the copy cells draw from; null images and the
    // reason when it cannot be loaded, with no reason when cancelled.
    LoadedTileSet loadImages(const QString& name, const QString& path, QString* reason);

    WorldMap worldMap;
    UndoHistory undoHistory;
    TileSetImageStore images;
    TileSetWatcher watcher;
    Tile brushTile;
    TileStamp stamp;
    bool random = false;
    quint32 seed;
    bool modified = false;
    // While an image decodes, which may let the window's events run.
    bool reading = false;
};

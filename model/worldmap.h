#pragma once

#include "model/cellgrid.h"
#include "model/cellpatch.h"
#include "model/limits.h"

#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <vector>

class Tile;

// A loaded tile set: its name, the image as it was loaded, which the palette
// shows, the copy that cells are drawn from, and the file the image was
// read from (an absolute path; empty when it came from no file).
struct LoadedTileSet
{
    QString name;
    QPixmap image;
    QPixmap drawn;
    QString file;
};

// What a step that replaces the whole map exchanges with it: the size, both
// layers (left empty when blank), the loaded tile sets with their images in
// load order and the map's file.
struct MapContents
{
    QSize size;
    CellGrid top;
    CellGrid bottom;
    std::vector<LoadedTileSet> tileSets;
    QString fileName;
    // The position in tileSets of the set shown in the palette; -1 shows the
    // set that was loaded last.
    int shownTileSet = -1;

    qint64 bytes() const { return top.bytes() + bottom.bytes(); }
};

// The map being edited, free of any widget: its size, both layers with the
// pass flags in the top layer, the start point, the tile sets its cells draw
// from and the file it belongs to.
//
// Tile sets. A cell names its tile set through a slot of a table that holds
// every tile-set name the map has used; a slot has an image while a set of
// its name is loaded, and slots are never reused, so a cell kept by the undo
// history always finds its set's name again. A cell whose set is not loaded
// keeps that name, is drawn empty and is saved under it. The loaded sets are
// listed in load order, at most MaxTileSets, as the palette lists them; a set
// loaded twice is listed twice and both entries share its slot. Each slot
// holds two images of its set: as loaded, and the copy cells draw from.
//
// Changes. Every change of a cell goes through the edits below, which record
// what they replace and report the cells that changed once, through
// cellsChanged(); whoever shows the map follows that report.
class WorldMap : public QObject
{
    Q_OBJECT

public:
    static constexpr int MaxTileSets = ::MaxTileSets;

    WorldMap(int width, int height, QObject* parent = nullptr);
    ~WorldMap() override;

    int width() const { return top.width(); }
    int height() const { return top.height(); }
    QSize size() const { return top.size(); }
    bool contains(const QPoint& cell) const { return top.contains(cell); }
    const CellGrid& cells(Layer layer) const { return layer == Layer::Top ? top : bottom; }
    QPoint startPoint() const { return start; }
    // Blank in both layers, without a tile set or a file: a new set.
    bool isNew() const;
    // The file last saved to or imported from; empty before there is one.
    QString fileName() const { return file; }
    void setFileName(const QString& fileName);

    // The loaded tile sets, k from 0 to tileSetCount() - 1.
    int tileSetCount() const { return int(loaded.size()); }
    QString tileSetName(int k) const;
    // The k-th loaded set's image as loaded, and the copy its cells are
    // drawn from; a null image beyond the count.
    const QPixmap* tileSetImage(int k) const;
    const QPixmap* drawnImage(int k) const;
    // The file the k-th loaded set was read from; empty beyond the count.
    QString tileSetFile(int k) const;
    // The first loaded set of exactly this name, or -1.
    int tileSetIndex(const QString& name) const;
    QStringList tileSetNames() const;
    // Names of the sets whose tiles cells hold but that are not loaded, in
    // the order of their first cell: the top layer, then the bottom, row by
    // row.
    QStringList missingTileSets() const;
    // Whether a cell of either layer holds a tile of the set `name`.
    bool usesTileSet(const QString& name) const;
    // Appends a loaded set, unless MaxTileSets are loaded. Cells that name it
    // draw from `drawn` from now on; `image` is the set as loaded, `drawn`
    // itself when not given; `file` is where it was read from.
    void addTileSet(const QString& name, const QPixmap& drawn, const QPixmap& image = QPixmap(),
                    const QString& file = QString());
    // Every loaded set read from `set.file` takes the images of `set`, in
    // place: its name, its cells and the Tile values pointing at its images
    // stay as they are.
    void replaceTileSetImages(const LoadedTileSet& set);
    // Names the set `name` `newName` from now on, for every cell that names
    // it, those of the undo history and the clipboard included. The name
    // `newName` leads to this set alone afterwards.
    void renameTileSet(const QString& name, const QString& newName);
    // Drops every loaded set; cells keep their sets' names.
    void clearTileSets();
    // The loaded set that the palette shows, k, or -1. It belongs to the map
    // so that undoing a step that replaced the map shows the set shown before.
    int shownTileSet() const { return shown; }
    void setShownTileSet(int k);

    // The slot of a tile-set name, made when the name is new.
    quint32 slotOf(const QString& name);
    quint32 slotCount() const { return quint32(setSlots.size()); }
    const QString& slotName(quint32 slot) const { return setSlots[slot].name; }
    // The image cells of the slot draw from; null while no set of the slot's
    // name is loaded.
    const QPixmap& slotImage(quint32 slot) const { return setSlots[slot].drawn; }

    // Tile is the value of the palette, the brush and the canvas's public
    // operations; these convert between it and the cells.
    Tile tile(const Cell& cell) const;
    Tile tile(Layer layer, int x, int y) const;
    // The cell that holds `tile`; the name of its set gets a slot if it has
    // none yet. Painting it draws nothing while its set is not loaded.
    Cell cellOf(const Tile& tile);

    // Edits of cells. Each writes the cells it is given that lie inside the
    // map, appends the values it replaced to *record and reports the cells
    // that changed.
    void fill(Layer layer, const QRect& area, const Cell& value, CellPatch* record);
    void fill(Layer layer, const std::vector<QPoint>& places, const Cell& value, CellPatch* record);
    // Gives each cell the value `valueAt` gives its place; a cell it gives
    // none (returning false) keeps its own. The cells of an area are visited
    // column after column, each from the top, or with a negative `order`
    // from the right (x) or from the bottom (y), so that `valueAt` can read
    // cells that are still to be written.
    using CellValue = std::function<bool(const QPoint& place, Cell* value)>;
    void fill(Layer layer, const QRect& area, const CellValue& valueAt, CellPatch* record,
              const QPoint& order = QPoint(1, 1));
    void fill(Layer layer, const std::vector<QPoint>& places, const CellValue& valueAt, CellPatch* record);
    // The pass flags of the top layer's cells in `area`.
    void setPass(const QRect& area, bool pass, CellPatch* record);
    // Writes `block` with its top-left cell at `at`.
    void paste(Layer layer, const QPoint& at, const CellGrid& block, CellPatch* record);
    // Renumbers the tiles of the set `name`, numbered row by row in a grid
    // `fromColumns` wide, for a grid `toColumns` wide, so that each tile
    // keeps its column and row; a cell whose column the grid no longer has
    // is emptied, keeping its pass flag.
    void renumberTiles(const QString& name, int fromColumns, int toColumns, CellPatch* record);
    // Tile `index` of a grid `fromColumns` wide as numbered in a grid
    // `toColumns` wide, at the same column and row; -1 when that grid has
    // no such column. A number too large for any image stays as it is.
    static qint32 renumberedTile(qint32 index, int fromColumns, int toColumns);
    // Undoes (or, with undo false, redoes) an edit that recorded `patch`:
    // every stored value changes place with the map's.
    void swap(CellPatch& patch, bool undo);

    // Edits of the whole map.
    void setStartPoint(const QPoint& cell);
    // Cells beyond the new size are cut off and appended to *cut (placed at
    // the old size); cells beyond the old size are blank.
    void resize(const QSize& size, CellPatch* cut);
    // Exchanges the map's contents with *other: size, cells, the loaded sets
    // with their images, the set shown and the file.
    void swapContents(MapContents* other);

signals:
    // Cells, in cell units, that may show differently.
    void cellsChanged(const QRect& cells);
    void sizeChanged();
    void startPointChanged(const QPoint& before, const QPoint& after);
    void fileNameChanged(const QString& fileName);
    // A set was added or dropped, so cells may draw from other images.
    void tileSetsChanged();
    // Another loaded set is shown, k, or none (-1).
    void shownTileSetChanged(int k);

private:
    struct Slot
    {
        QString name;
        QPixmap image;
        QPixmap drawn;
        QString file;
    };

    CellGrid& grid(Layer layer) { return layer == Layer::Top ? top : bottom; }
    // Writes one cell, recording what it held; false when it held `value`.
    bool write(Layer layer, int x, int y, const Cell& value, CellPatch* record);
    bool usesUnloadedSet() const;

    CellGrid top;
    CellGrid bottom;
    QPoint start;
    QString file;
    // Slot 0 names no set. A deque keeps the images in place, for the Tile
    // values that point at them.
    std::deque<Slot> setSlots;
    QHash<QString, quint32> slotByName;
    std::vector<quint32> loaded;
    int shown = -1;
};

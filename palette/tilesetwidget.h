#pragma once

#include "model/tile.h"
#include "document/tilesetimagestore.h"

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

class QMouseEvent;
class QPaintEvent;

// The tile palette: stores up to 40 loaded tile-set images with their file
// names, shows one of them cut into tiles at a fixed scale (the newest after
// a load) and hands the tile the user picks to the canvas through
// tileSelected(). A frame marks a tile: (0, 0) after a load, the tile picked,
// or, when another set is shown, the brush's tile if that set holds it.
class TileSetWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MaxTileSets = 40;

    TileSetWidget(int tileSize, QWidget* parent = nullptr);
    ~TileSetWidget() override;

    QSize gridSize() const { return QSize(columns, rows); }
    int tileSize() const { return tileSide; }
    float zoom() const { return zoomFactor; }
    QSize sizeHint() const override;

    int tileSetTotal() const { return tileSetCount; }
    QString tileSetName(int slot) const { return tileSetFiles[slot]; }
    const QPixmap* tileSetImage(int slot) const { return &tileSets[slot]; }
    QPoint selectedTile() const { return selectedCell; }
    // Whether the frame marks selectedTile(); false when it marks no tile.
    bool tileFramed() const { return framed; }
    // The slot of the set shown, or -1.
    int shownTileSet() const { return shownSlot; }
    // The tile at (column, row) of the shown set; null outside the grid.
    const Tile* tileAt(int column, int row) const;

    // Geometry at the palette's scale, in widget pixels.
    int cellToPixel(int n) const;
    QRect cellRect(int column, int row) const;
    QPoint cellAt(int x, int y) const;

signals:
    // The palette's own tile at the pressed cell; receivers copy it.
    void tileSelected(Tile& selection);
    // The image lives only during the emission; receivers copy it.
    void tileSetAdded(QPixmap* newSet, QString newFile);
    // The names of the stored sets, in slot order, after each change.
    void tileSetsListed(const QStringList& names);
    // The set of this slot is shown now; -1 for none.
    void tileSetShown(int slot);

public slots:
    // Loads the image, emits tileSetAdded() and shows the image's tiles. The
    // grid points at the copy that addTileSet() stores during the emission,
    // so that signal must reach this widget's own addTileSet(). Refuses, with
    // a message box and nothing changed, when 40 sets are stored, when a map
    // file could not store `file` as a name, or when `file` is not a regular
    // file holding an image Qt can decode.
    bool loadTileSet(QString file);
    void addTileSet(QPixmap* newSet, QString newFile);
    void clearSets();
    // Between these two, the loads that fail are reported together, in one
    // box shown at the end: the loads of one import.
    void beginLoads();
    void endLoads();
    // Shows the set of this slot, framing the brush's tile if the set holds it.
    void showTileSet(int slot);
    // The canvas's brush: tile `index` of the set named `file`, -1 for none.
    void followBrush(const QString& file, int index);
    // Shows the set of this name (the one shown, if it has the name) with
    // the tile framed: the brush just taken from the map.
    void showTile(const QString& file, int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Tile& gridTile(int column, int row) const { return tileGrid[column * rows + row]; }
    // Cuts the set of this slot into the grid of tiles shown.
    void showGridOf(int slot);
    // Frames tile `index` of the shown set, or no tile when it has none such.
    void frameTile(int index);
    // Pixels that the selection frame around `cell` can touch.
    QRect frameArea(const QPoint& cell) const;
    // Shows the palette's "could not be loaded" box with `reason` as its
    // second line, or keeps the reason for the box that endLoads() shows.
    void refuseLoad(const QString& reason);

    TileSetImageStore images;
    bool collectingRefusals = false;
    QStringList refusals;
    std::unique_ptr<Tile[]> tileGrid; // columns * rows tiles, column after column
    int columns = -1;
    int rows = -1;
    QPoint selectedCell;
    bool framed = true;
    int shownSlot = -1;
    QString brushFile;
    int brushIndex = -1;
    float zoomFactor = 0.8f;
    int tileSetCount = 0;
    QPixmap tileSets[MaxTileSets];
    QString tileSetFiles[MaxTileSets];
    int tileSide;
};

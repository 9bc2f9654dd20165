#pragma once

#include "document/mapdocument.h"
#include "model/tile.h"

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class QMouseEvent;
class QPaintEvent;

// The tile palette: a view of the document's tile sets that shows one of
// them cut into tiles at a fixed scale (the newest after a load) and hands
// the tile the user picks to the canvas through tileSelected(); dragging
// over tiles makes the rectangle of them the document's brush. A frame marks
// tiles: (0, 0) after a load, or the brush's tiles that the set shown holds.
class TileSetWidget : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MaxTileSets = MapDocument::MaxTileSets;

    // A palette with a document of its own.
    TileSetWidget(int tileSize, QWidget* parent = nullptr);
    // A view of `document`, which must outlive the palette.
    TileSetWidget(MapDocument* document, int tileSize, QWidget* parent = nullptr);
    ~TileSetWidget() override;

    MapDocument* document() const { return doc; }
    QSize gridSize() const { return QSize(columns, rows); }
    int tileSize() const { return tileSide; }
    float zoom() const { return zoomFactor; }
    QSize sizeHint() const override;

    int tileSetTotal() const { return doc->map().tileSetCount(); }
    QString tileSetName(int slot) const { return doc->map().tileSetName(slot); }
    // The set's image as loaded.
    const QPixmap* tileSetImage(int slot) const { return doc->map().tileSetImage(slot); }
    // The first tile framed.
    QPoint selectedTile() const { return selectedCell; }
    // Whether the frame marks any tile; false when it marks none.
    bool tileFramed() const { return !framedTiles.empty(); }
    const std::vector<QPoint>& framedTileCells() const { return framedTiles; }
    // The slot of the set shown, or -1.
    int shownTileSet() const { return doc->map().shownTileSet(); }
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
    // A load was refused, for this reason; nothing changed. `message` holds
    // %1 where `path` goes, when it names one.
    void loadRefused(const QString& message, const QString& path);
    // The names of the loaded sets, in slot order, after each change.
    void tileSetsListed(const QStringList& names);
    // The names of the sets that cells use but that are not loaded, after
    // each change of the loaded sets.
    void missingTileSetsListed(const QStringList& names);
    // The set of this slot is shown now; -1 for none.
    void tileSetShown(int slot);

public slots:
    // Reads the image through the document, emits tileSetAdded() and shows
    // the image's tiles. The document lists the set once, when the canvas or
    // this palette's own addTileSet() adds it during the emission. Refuses,
    // through loadRefused() with nothing changed, when the maximum of sets
    // is loaded, when a map file could not store `file` as a name, or when
    // `file` is not a regular file holding an image Qt can decode.
    bool loadTileSet(QString file);
    // Adds the set to the document's list, unless it was just added there.
    void addTileSet(QPixmap* newSet, QString newFile);
    // Forgets every set of the document and shows none.
    void clearSets();
    // Shows the set of this slot, framing the brush's tile if the set holds it.
    void showTileSet(int slot);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    Tile& gridTile(int column, int row) const { return tileGrid[column * rows + row]; }
    // Cuts the set the document shows into the grid of tiles, or shows none.
    void showShownSet();
    // An empty palette: no grid, no frame.
    void showNoSet();
    // Frames the brush's tiles that the set shown holds.
    void frameBrush();
    void frameTiles(const std::vector<QPoint>& tiles);
    // Pixels that the frame can touch.
    QRect frameArea() const;

    MapDocument* doc;
    std::unique_ptr<Tile[]> tileGrid; // columns * rows tiles, column after column
    int columns = -1;
    int rows = -1;
    QPoint selectedCell;
    std::vector<QPoint> framedTiles { QPoint(0, 0) };
    // A drag's first tile and the tiles it spans.
    std::optional<QPoint> pressedTile;
    QRect draggedTiles;
    float zoomFactor = 0.8f;
    int tileSide;
};

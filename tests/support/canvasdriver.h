#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>

class QPixmap;
class QWidget;
class LayerTiles;
class Tile;
class WorldViewWidget;

// A tile-set image of 5 x 3 tiles of 40 pixels on a uniform background, so
// that its heuristic mask clears exactly the background: tile k is a square
// of its own colour, inset by testTileInset(k) from the tile's edges.
QImage testTileSetImage();
QColor testTileColour(int index);
int testTileInset(int index);
QColor testTileBackground();

// Hands the canvas a brush as the palette would.
void pickBrush(WorldViewWidget& canvas, const QString& file, int index, bool pass = false,
               QPixmap* paletteImage = nullptr);

// Mouse gestures on the canvas. Moves carry the buttons held, which
// QTest::mouseMove does not do for widgets.
QPoint cellCentre(const WorldViewWidget& canvas, const QPoint& cell);
void sendMove(QWidget* widget, const QPoint& pixel, Qt::MouseButtons held);
// Presses `button` at the first pixel, moves through the others with it held
// and releases it at the last.
void dragPixels(QWidget* widget, Qt::MouseButton button, const QList<QPoint>& pixels);
void dragCells(WorldViewWidget& canvas, Qt::MouseButton button, const QList<QPoint>& cells);
void clickCell(WorldViewWidget& canvas, Qt::MouseButton button, const QPoint& cell);
// Moves the hover and current-cell marks to a cell and lets the shown canvas
// draw them, so that a later edit there gets no repaint from the marks.
void parkMarks(WorldViewWidget& canvas, const QPoint& cell);

// Lets a shown canvas handle its pending repaints, then compares what its
// window shows with the reference rendering: the first difference, or an
// empty string.
QString shownDifference(WorldViewWidget& canvas);

// The non-empty cells of a layer, column by column.
QList<QPoint> filledCells(const LayerTiles& layer);
// All four values of a tile, for comparisons and failure messages.
QString tileValues(const Tile& tile);
// A copy of every cell's values, to compare a layer before and after.
class LayerCopy
{
public:
    explicit LayerCopy(const LayerTiles& layer);
    // Cells whose values are no longer those copied.
    QList<QPoint> changedIn(const LayerTiles& layer) const;
    QString valuesAt(int x, int y) const { return values.at(x * height + y); }

private:
    int width;
    int height;
    QList<QString> values;
};

#include "support/canvasdriver.h"

#include "model/layertiles.h"
#include "canvas/worldviewwidget.h"
#include "model/tile.h"
#include "support/referencerenderer.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>

QImage testTileSetImage()
{
    QImage image(5 * 40, 3 * 40, QImage::Format_RGB32);
    image.fill(testTileBackground());
    QPainter painter(&image);
    for (int index = 0; index < 15; ++index) {
        const int inset = testTileInset(index);
        const QRect tile((index % 5) * 40, (index / 5) * 40, 40, 40);
        painter.fillRect(tile.adjusted(inset, inset, -inset, -inset), testTileColour(index));
    }
    return image;
}

QColor testTileColour(int index)
{
    // Through QRgb, so that it compares equal to the colours read back from images.
    return QColor(QColor::fromHsv((index * 24) % 360, 200 + (index % 2) * 55, 230).rgb());
}

int testTileInset(int index)
{
    // Even tiles nearly fill their square, odd ones leave a wide transparent border.
    return index % 2 == 0 ? 4 : 14;
}

QColor testTileBackground()
{
    return QColor(128, 128, 128);
}

void pickBrush(WorldViewWidget& canvas, const QString& file, int index, bool pass, QPixmap* paletteImage)
{
    Tile brush;
    brush.tileSetFile = file;
    brush.tileSet = paletteImage;
    brush.tileIndex = index;
    brush.pass = pass;
    canvas.setBrushTile(brush);
}

QPoint cellCentre(const WorldViewWidget& canvas, const QPoint& cell)
{
    return canvas.cellRect(cell).center();
}

void sendMove(QWidget* widget, const QPoint& pixel, Qt::MouseButtons held)
{
    QMouseEvent event(QEvent::MouseMove, QPointF(pixel), widget->mapToGlobal(QPointF(pixel)), Qt::NoButton,
                      held, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void dragPixels(QWidget* widget, Qt::MouseButton button, const QList<QPoint>& pixels)
{
    QTest::mousePress(widget, button, Qt::NoModifier, pixels.first());
    for (const QPoint& pixel : pixels)
        sendMove(widget, pixel, button);
    QTest::mouseRelease(widget, button, Qt::NoModifier, pixels.last());
}

void dragCells(WorldViewWidget& canvas, Qt::MouseButton button, const QList<QPoint>& cells)
{
    QList<QPoint> pixels;
    for (const QPoint& cell : cells)
        pixels << cellCentre(canvas, cell);
    dragPixels(&canvas, button, pixels);
}

void clickCell(WorldViewWidget& canvas, Qt::MouseButton button, const QPoint& cell)
{
    QTest::mouseClick(&canvas, button, Qt::NoModifier, cellCentre(canvas, cell));
}

void parkMarks(WorldViewWidget& canvas, const QPoint& cell)
{
    sendMove(&canvas, cellCentre(canvas, cell), Qt::NoButton);
    clickCell(canvas, Qt::RightButton, cell);
    QCoreApplication::processEvents();
}

QString shownDifference(WorldViewWidget& canvas)
{
    QCoreApplication::processEvents();
    const QImage shown = canvas.screen()->grabWindow(canvas.winId()).toImage().convertToFormat(
        QImage::Format_ARGB32_Premultiplied);
    return firstDifference(shown, referenceRendering(canvas, canvas.palette().color(QPalette::Window)));
}

QList<QPoint> filledCells(const LayerTiles& layer)
{
    QList<QPoint> cells;
    for (int x = 0; x < layer.width(); ++x) {
        for (int y = 0; y < layer.height(); ++y) {
            if (!layer[x][y].isEmpty())
                cells << QPoint(x, y);
        }
    }
    return cells;
}

QString tileValues(const Tile& tile)
{
    return QStringLiteral("file \"%1\" image %2 index %3 pass %4")
        .arg(tile.tileSetFile)
        .arg(quintptr(tile.tileSet), 0, 16)
        .arg(tile.tileIndex)
        .arg(tile.pass);
}

LayerCopy::LayerCopy(const LayerTiles& layer)
    : width(layer.width())
    , height(layer.height())
{
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y)
            values << tileValues(layer[x][y]);
    }
}

QList<QPoint> LayerCopy::changedIn(const LayerTiles& layer) const
{
    QList<QPoint> cells;
    for (int x = 0; x < width; ++x) {
        for (int y = 0; y < height; ++y) {
            if (tileValues(layer[x][y]) != valuesAt(x, y))
                cells << QPoint(x, y);
        }
    }
    return cells;
}

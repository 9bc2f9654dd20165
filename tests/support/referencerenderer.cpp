#include "support/referencerenderer.h"

#include "canvas/worldviewwidget.h"

#include <QBitmap>
#include <QHash>
#include <QPainter>

#include <cstring>
#include <functional>

namespace {

// An image with any pixel less than opaque is drawn as it is; one without
// has the colour of its four corners cut out, when they share one, as Qt's
// heuristic mask cuts the corner colour.
QPixmap drawnAsTheRuleSays(const QImage& loaded)
{
    QPixmap image = QPixmap::fromImage(loaded);
    for (int y = 0; y < loaded.height(); ++y) {
        for (int x = 0; x < loaded.width(); ++x) {
            if (qAlpha(loaded.pixel(x, y)) != 255)
                return image;
        }
    }
    const int right = loaded.width() - 1, bottom = loaded.height() - 1;
    const QRgb corner = loaded.pixel(0, 0);
    if (loaded.pixel(right, 0) == corner && loaded.pixel(0, bottom) == corner
        && loaded.pixel(right, bottom) == corner)
        image.setMask(image.createHeuristicMask(true));
    return image;
}

QPixmap masked(const QString& resource)
{
    return drawnAsTheRuleSays(QImage(resource));
}

} // namespace

QImage referenceRendering(const WorldViewWidget& canvas, const QColor& background, const QRect& area, qreal ratio,
                           const QPoint& offset)
{
    const QRect part = area.isNull() ? QRect(QPoint(), canvas.sizeHint()) : area;
    // Drawn from the window's corner, so that every position has the sign it
    // has there: the painter rounds halves of a device pixel away from zero.
    const bool fromCorner = ratio != 1;
    QImage image(fromCorner ? QSize(part.right() + 1, part.bottom() + 1) : part.size(),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter painter(&image);
    // The canvas paints the colour of the scroll area around it below its cells.
    QColor ground = canvas.palette().color(QPalette::Dark);
    ground.setAlpha(255);
    painter.fillRect(image.rect(), ground);
    if (fromCorner)
        painter.setTransform(QTransform(ratio, 0, 0, ratio, ratio * offset.x(), ratio * offset.y()));
    else
        painter.translate(-part.topLeft());

    const QColor emptyColour(255, 255, 254);
    const QPixmap passYes = masked(QStringLiteral(":/images/passyes.png"));
    const QPixmap passNo = masked(QStringLiteral(":/images/passno.png"));
    const int tileSize = 40;
    const double zoom = canvas.zoom();
    const int w = canvas.worldSize().width();
    const int h = canvas.worldSize().height();
    const auto px = [&](int n) { return int((n * tileSize) * zoom); };
    const int side = int(tileSize * zoom);
    const auto rectOf = [&](int c, int r) { return QRect(px(c), px(r), side, side); };
    const auto usable = [&](const Tile& t) {
        return t.tileIndex >= 0 && t.tileSet
            && t.tileIndex < qint64(t.tileSet->width() / tileSize) * (t.tileSet->height() / tileSize);
    };
    // Each tile set's image as read from its file, where there is one, and
    // drawn by the rule; the canvas's own image otherwise.
    QHash<QString, QPixmap> images;
    const auto imageOf = [&](const Tile& t) {
        if (!images.contains(t.tileSetFile)) {
            const QImage loaded(t.tileSetFile);
            images.insert(t.tileSetFile, loaded.isNull() ? *t.tileSet : drawnAsTheRuleSays(loaded));
        }
        return images.value(t.tileSetFile);
    };
    const auto drawTile = [&](QPainter& on, const QRect& target, const Tile& t) {
        const int n = t.tileSet->width() / tileSize;
        const QRect source(tileSize * (t.tileIndex % n), tileSize * (t.tileIndex / n), tileSize, tileSize);
        on.drawPixmap(QRectF(target), imageOf(t), QRectF(source));
    };

    // Every cell, as the map holds it or as `tileAt` says it is.
    const auto drawCells = [&](QPainter& on, const std::function<Tile(bool top, int i, int j)>& tileAt) {
        for (int i = 0; i < w; ++i) {
            for (int j = 0; j < h; ++j) {
                QRect target = rectOf(i, j);
                const Tile b = tileAt(false, i, j);
                if (!usable(b)) {
                    target = QRect(target.x(), target.y(), target.width() + 1, target.height() + 1);
                    on.fillRect(target, QBrush(emptyColour));
                } else {
                    drawTile(on, target, b);
                }
                const Tile t = tileAt(true, i, j);
                if (canvas.topLayerActive() && usable(t))
                    drawTile(on, target, t);
                if (canvas.tool() == WorldViewWidget::Pass)
                    on.drawPixmap(QRectF(target), t.pass ? passYes : passNo, QRectF());
            }
        }
    };
    const auto mapTile = [&](bool top, int i, int j) {
        return top ? canvas.topLayerCells()[i][j] : canvas.bottomLayerCells()[i][j];
    };
    drawCells(painter, mapTile);

    // The brush's preview at the pointer, with Paint Tiles the whole stamp,
    // with Paint Squares its first cell: the cells as the brush would leave
    // them, half opaque over the cells as they are.
    const std::optional<QPoint> pointed = canvas.pointerCell();
    if (pointed && (canvas.tool() == WorldViewWidget::Paint || canvas.tool() == WorldViewWidget::Square)) {
        const MapDocument& document = *canvas.document();
        const TileStamp stamp = document.paintedStamp();
        const QSize size = canvas.tool() == WorldViewWidget::Paint ? stamp.size() : QSize(1, 1);
        const std::optional<quint32> seed
            = document.isRandomBrush() ? std::optional<quint32>(document.brushSeed()) : std::nullopt;
        const QRect cells = QRect(*pointed, size) & QRect(0, 0, w, h);
        if (!stamp.isEmpty() && !cells.isEmpty()) {
            QImage after(image.size(), QImage::Format_ARGB32_Premultiplied);
            after.fill(ground);
            QPainter afterPainter(&after);
            afterPainter.setTransform(painter.transform());
            drawCells(afterPainter, [&](bool top, int i, int j) {
                Cell laid;
                if (top == canvas.topLayerActive() && cells.contains(i, j)
                    && stamp.cellAt(QPoint(i, j), *pointed, seed, &laid))
                    return canvas.map().tile(laid);
                return mapTile(top, i, j);
            });
            afterPainter.end();
            // Over the device pixels of the cells and the grid lines after them.
            const QRect cellPixels(QPoint(px(cells.left()), px(cells.top())),
                                   QPoint(px(cells.right() + 1), px(cells.bottom() + 1)));
            const QRect devicePixels = painter.transform().mapRect(QRectF(cellPixels)).toAlignedRect();
            painter.save();
            painter.resetTransform();
            painter.setOpacity(0.5);
            painter.drawImage(devicePixels.topLeft(), after, devicePixels);
            painter.restore();
        }
    }

    if (canvas.gridLinesShown()) {
        painter.setPen(QPen(canvas.palette().color(QPalette::WindowText), 0));
        for (int r = 0; r <= h; ++r) {
            const QLine line(0, px(r), px(w), px(r));
            painter.drawLines(&line, 1);
        }
        for (int k = 0; k <= w; ++k) {
            const QLine line(px(k), 0, px(k), px(h));
            painter.drawLines(&line, 1);
        }
    }

    painter.drawPixmap(QRectF(rectOf(canvas.startCell().x(), canvas.startCell().y())),
                       QPixmap(QStringLiteral(":/images/start.png")), QRectF());

    const QPixmap cursor = masked(QStringLiteral(":/images/Cursor1.bmp"));
    const int g = int(20 * zoom);
    // The mark under the pointer only while the pointer is over the map.
    QList<QPoint> marked = { canvas.currentCellPosition() };
    if (canvas.pointerCell())
        marked << *canvas.pointerCell();
    for (const QPoint& cell : marked) {
        const QRect r = rectOf(cell.x(), cell.y());
        painter.drawPixmap(QRectF(QRect(QPoint(r.left() - g, r.top() - g), QPoint(r.right() + g, r.bottom() + g))),
                           cursor, QRectF());
    }

    if (const std::optional<QRect> selection = canvas.selection()) {
        painter.setPen(QPen(QBrush(QColor(55, 150, 240, 200)), 3, Qt::DashLine));
        const int x1 = selection->left(), y1 = selection->top();
        const int x2 = selection->right(), y2 = selection->bottom();
        const QLine lines[] = {QLine(px(x1), px(y1), px(x2 + 1), px(y1)),
                               QLine(px(x1), px(y1), px(x1), px(y2 + 1)),
                               QLine(px(x1), px(y2 + 1), px(x2 + 1), px(y2 + 1)),
                               QLine(px(x2 + 1), px(y1), px(x2 + 1), px(y2 + 1))};
        for (const QLine& line : lines)
            painter.drawLines(&line, 1);
    }
    painter.end();
    return fromCorner ? image.copy(part) : image;
}

QImage canvasRendering(WorldViewWidget& canvas, const QColor& background)
{
    QImage image(canvas.sizeHint(), QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    canvas.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

QString firstDifference(const QImage& actual, const QImage& expected, const QRect& area)
{
    if (actual.size() != expected.size()) {
        return QStringLiteral("size %1x%2 vs %3x%4")
            .arg(actual.width()).arg(actual.height()).arg(expected.width()).arg(expected.height());
    }
    const QRect box = area.isNull() ? actual.rect() : (area & actual.rect());
    const bool sameFormat = actual.format() == expected.format() && actual.depth() == 32;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        if (sameFormat
            && std::memcmp(actual.constScanLine(y) + box.left() * 4, expected.constScanLine(y) + box.left() * 4,
                           size_t(box.width()) * 4)
                == 0)
            continue;
        for (int x = box.left(); x <= box.right(); ++x) {
            const QRgb a = actual.pixel(x, y), e = expected.pixel(x, y);
            if (a != e) {
                return QStringLiteral("%1,%2: #%3 vs #%4")
                    .arg(x).arg(y).arg(a, 8, 16, QLatin1Char('0')).arg(e, 8, 16, QLatin1Char('0'));
            }
        }
    }
    return QString();
}

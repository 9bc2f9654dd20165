#include "mapcli/maprendering.h"

#include "canvas/canvasgeometry.h"
#include "canvas/maprenderer.h"
#include "canvas/tilesetimage.h"
#include "canvas/worldmap.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

QImage mapPicture(const WorldMap& map, const MapPictureOptions& options)
{
    CanvasGeometry geometry;
    geometry.zoom = options.zoom;
    const QSize size = geometry.mapSize(map.size());
    if (qint64(size.width()) * size.height() > MaxPicturePixels)
        return QImage();
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    if (picture.isNull())
        return picture;
    // Clear where the canvas would show its scroll area through: under
    // translucent or masked bottom-layer tiles, and along the last grid
    // line when there are none.
    picture.fill(Qt::transparent);

    MapRenderer::Options drawing;
    drawing.geometry = geometry;
    drawing.topLayer = options.topLayer;
    QPixmap passYes, passNo;
    if (options.passMarks) {
        passYes = colourMaskedImage(QStringLiteral(":/images/passyes.png"));
        passNo = colourMaskedImage(QStringLiteral(":/images/passno.png"));
        drawing.passYes = &passYes;
        drawing.passNo = &passNo;
    }
    drawing.gridColour = QGuiApplication::palette().color(QPalette::WindowText);
    const MapRenderer renderer(map, drawing);
    QPainter painter(&picture);
    renderer.drawCells(painter, picture.rect());
    if (options.gridLines)
        renderer.drawGrid(painter, picture.rect());
    return picture;
}

#include "mapcli/maprendering.h"

#include "render/canvasgeometry.h"
#include "render/devicepixels.h"
#include "render/maprenderer.h"
#include "render/scaledtiles.h"
#include "render/tilesetimage.h"
#include "model/worldmap.h"

#include <QGuiApplication>
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
    // Clear where the canvas would show its ground colour: under
    // translucent or masked bottom-layer tiles, and along the last grid
    // line when there are none.
    picture.fill(Qt::transparent);

    MapRenderer::Options drawing;
    drawing.geometry = geometry;
    drawing.topLayer = options.topLayer;
    QPixmap passYes, passNo;
    if (options.passMarks) {
        passYes = markerImage(QStringLiteral(":/images/passyes.png"));
        passNo = markerImage(QStringLiteral(":/images/passno.png"));
        drawing.passYes = &passYes;
        drawing.passNo = &passNo;
    }
    drawing.gridColour = QGuiApplication::palette().color(QPalette::WindowText);
    const MapRenderer renderer(map, drawing);
    // Composited from tiles scaled once, as the canvas builds its picture.
    ScaledTiles tiles;
    renderer.drawCells(picture, DevicePixels(), picture.rect(), tiles);
    if (options.gridLines)
        renderer.drawGrid(picture, DevicePixels(), picture.rect());
    return picture;
}

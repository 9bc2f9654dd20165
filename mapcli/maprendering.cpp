#include "mapcli/maprendering.h"

#include "render/canvasgeometry.h"
#include "render/devicepixels.h"
#include "render/hugepages.h"
#include "render/maprenderer.h"
#include "render/scaledtiles.h"
#include "render/tilesetimage.h"
#include "model/worldmap.h"

#include <QGuiApplication>
#include <QPalette>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <utility>
#include <vector>

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
    preferHugePages(picture.bits(), size_t(picture.sizeInBytes()));

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
    // Composited from tiles scaled once, as the canvas builds its picture,
    // in bands of rows drawn on every core, each through an image of its
    // own over the picture's rows.
    ScaledTiles tiles;
    constexpr int BandRows = 256;
    std::vector<std::pair<QImage, int>> bands; // the band and its first row
    for (int top = 0; top < size.height(); top += BandRows) {
        bands.emplace_back(QImage(picture.scanLine(top), size.width(), std::min(BandRows, size.height() - top),
                                  picture.bytesPerLine(), picture.format()),
                           top);
    }
    QtConcurrent::blockingMap(bands, [&](std::pair<QImage, int>& band) {
        // Clear where the canvas would show its ground colour: under
        // translucent or masked bottom-layer tiles, and along the last grid
        // line when there are none.
        const DevicePixels device = DevicePixels::translated(QPoint(0, band.second));
        renderer.drawCells(band.first, device, band.first.rect(), tiles, nullptr, 0);
        if (options.gridLines)
            renderer.drawGrid(band.first, device, band.first.rect());
    });
    return picture;
}

#pragma once

#include "render/devicepixels.h"
#include "render/layercache.h"
#include "render/maprenderer.h"

#include <QImage>
#include <QList>
#include <QRect>

#include <optional>
#include <vector>

class ScaledTiles;

// The picture of a preview over a rectangle of cells, ready to be copied
// over the map: the cells as the preview has them over the ground, half
// opaque over the cells as they are when the preview is a brush's, and the
// grid lines over them. Composited as the cache's chunks are, it holds
// exactly the pixels of drawing directly. A preview stays on screen while
// the canvas repaints around it, so the picture is kept and given again
// while everything it shows is the same: its pixels and device, the zoom,
// the colours and grid lines, and what every cell that may paint into it
// draws, before and after the preview.
class PreviewPicture
{
public:
    struct Look
    {
        QRgb ground = 0xff000000;
        bool gridLines = false;
        // The previewed cells half opaque over the map's, as a brush shows.
        bool halfOpaque = false;
    };

    // The picture of the device pixels `pixels`, widget pixels lying at
    // `where` from the picture's corner, the cells drawn as `previewed` says
    // they are; it holds `pixels.size()` pixels from its corner and stays
    // valid until the next call.
    const QImage& picture(const MapRenderer& renderer, ScaledTiles& tiles, const QRect& pixels,
                          const DevicePixels& where, const MapRenderer::CellsAt& previewed, const Look& look);

private:
    struct Shown
    {
        QRect pixels;
        DevicePixels where;
        Look look;
        CanvasGeometry geometry;
        QRgb gridColour = 0;
        QList<qint64> images;
        // The pictures of the cells that may paint into the pixels, as
        // previewed and, under a half-opaque preview, as they are.
        QRect cells;
        std::vector<CellPicture> before;
        std::vector<CellPicture> after;

        bool operator==(const Shown& other) const;
    };

    void draw(const Shown& what, const MapRenderer& renderer, ScaledTiles& tiles,
              const MapRenderer::CellsAt& previewed);

    std::optional<Shown> shown;
    QImage image;
    QImage previewedCells;
};

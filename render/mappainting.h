#pragma once

#include <QColor>
#include <QRect>

class LayerCache;
class MapRenderer;
class QPainter;
class ScaledTiles;

// What a view paints below the cells, and whether grid lines go over them.
struct MapPaint
{
    QColor ground;
    bool gridLines = true;
};

// The ground, the cells and the grid lines within `area`, each drawn by the
// painter.
void paintMapDirectly(QPainter& painter, const QRect& area, const MapRenderer& renderer, const MapPaint& paint);

// The same pixels, copied from `cache` wherever it can serve the painter's
// device; the cells' pictures are compared with those the cache holds, so
// only what changed is drawn again, from tiles scaled into `tiles`. On a
// device the cache cannot serve, the cache is dropped and everything is
// drawn directly.
void paintMap(QPainter& painter, const QRect& area, const MapRenderer& renderer, const MapPaint& paint,
              LayerCache& cache, ScaledTiles& tiles);

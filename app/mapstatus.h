#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

// What the status line says about the brush.
struct BrushStatus
{
    QSize size; // in tiles; empty for no brush
    int tileIndex = -1; // the tile of a brush of one
    QString tileSet; // the set its tiles come from, as it is to be shown
    int tileSets = 0; // how many sets they come from
    bool random = false;
};

// The status bar's line about the map: the cell under the pointer (left out
// when the pointer is over none), the current layer, the map's size and the
// brush: "x 12, y 7 | top layer | 30 x 30 | brush: tile 10 of tiles/grass.png",
// "brush: 3 x 2 tiles of tiles/grass.png" for a block, ", random" at random.
QString mapStatusText(const std::optional<QPoint>& pointerCell, bool topLayer, const QSize& mapSize,
                      const BrushStatus& brush);

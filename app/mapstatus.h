#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

// The status bar's line about the map: the cell under the pointer (left out
// when the pointer is over none), the current layer, the map's size and the
// brush: "x 12, y 7 | top layer | 30 x 30 | brush: tile 10 of tiles/grass.png".
QString mapStatusText(const std::optional<QPoint>& pointerCell, bool topLayer, const QSize& mapSize,
                      const QString& brushFile, int brushIndex);

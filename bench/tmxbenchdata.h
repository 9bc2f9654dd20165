#pragma once

#include <QString>

// A TMX map as Tiled writes one, for the import figure: 255 x 255 cells of
// 32-pixel tiles in three zlib-compressed layers, from one 256 x 256 tile
// set whose upper half holds noisy ground textures and lower half shapes on
// a transparent background: ground in every cell, shapes (half of them
// flipped) in a quarter of the cells, and a third layer at 80 % opacity
// with shapes in a tenth of them. Written into `folder`; the map's path, or
// an empty one when it cannot be written.
QString writeTmxBenchMap(const QString& folder);

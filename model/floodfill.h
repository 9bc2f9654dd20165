#pragma once

#include "model/cellgrid.h"

#include <QPoint>

#include <vector>

// The region that a bucket fill started at `start` covers: every cell of
// `grid` that is joined to it through a chain of edge neighbours (not
// diagonal ones) holding the same tile as it, the same tile set and tile
// index; the pass flag does not count. An empty cell counts as a tile of its
// own. Empty when `start` lies outside the grid.
std::vector<QPoint> floodRegion(const CellGrid& grid, const QPoint& start);

#pragma once

#include <QPoint>
#include <QPointF>

#include <vector>

// The cells that the straight segment from `from` to `to` passes over, in
// order, both ends' cells included. Positions are in cell units (a pixel
// divided by the zoom and the tile size), so cell (x, y) covers [x, x + 1)
// by [y, y + 1). Only the part of the segment where neither coordinate is
// negative counts: the pointer can leave the map to the left or top while
// a button is held. A segment through a corner of four cells steps
// diagonally, without the two cells it only touches.
std::vector<QPoint> cellsOnSegment(QPointF from, QPointF to);

#pragma once

#include "model/cellgrid.h"

#include <QPoint>
#include <QRect>

class CellPatch;
class WorldMap;

// Moving the cells of a rectangle of a map by an offset: the cells of one
// layer, or of both, the pass flags travelling with the top layer's cells.
// The source is emptied, unless the move leaves a copy behind (a
// duplicate); cells moved past the map's edge are dropped.
struct SelectionMove
{
    QRect source; // within the map
    QPoint offset;
    Layer layer = Layer::Top; // the layer moved, unless bothLayers
    bool bothLayers = false;
    bool duplicate = false;

    QRect target() const { return source.translated(offset); }
    bool moves(Layer moved) const { return bothLayers || moved == layer; }
    // What a moved layer's cell at `place` holds after the move, read from
    // `cells`, the layer with the cell it comes from not yet moved; false
    // where the move leaves the cell.
    bool cellAfter(const CellGrid& cells, const QPoint& place, Cell* value) const;
    // The places of the source whose cells go past the map's edge while
    // holding anything in a moved layer.
    int droppedCells(const WorldMap& map) const;
    // Makes the move; returns droppedCells() of before it.
    int apply(WorldMap& map, CellPatch* record) const;
};

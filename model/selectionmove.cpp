#include "model/selectionmove.h"

#include "model/worldmap.h"

bool SelectionMove::cellAfter(const CellGrid& before, const QPoint& place, Cell* value) const
{
    if (target().contains(place)) {
        const QPoint from = place - offset;
        *value = before.contains(from) ? before.at(from.x(), from.y()) : Cell();
        return true;
    }
    if (source.contains(place) && !duplicate) {
        *value = Cell();
        return true;
    }
    return false;
}

int SelectionMove::droppedCells(const WorldMap& map) const
{
    const QRect inside = source & map.cells(Layer::Top).bounds();
    int dropped = 0;
    for (int x = inside.left(); x <= inside.right(); ++x) {
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            if (map.contains(QPoint(x, y) + offset))
                continue;
            const bool held = (moves(Layer::Top) && !map.cells(Layer::Top).at(x, y).isBlank())
                || (moves(Layer::Bottom) && !map.cells(Layer::Bottom).at(x, y).isBlank());
            dropped += held ? 1 : 0;
        }
    }
    return dropped;
}

int SelectionMove::apply(WorldMap& map, CellPatch* record) const
{
    const int dropped = droppedCells(map);
    const QRect changed = source | target();
    for (Layer moved : { Layer::Top, Layer::Bottom }) {
        if (!moves(moved))
            continue;
        // The cells are read as they were before any of them moved.
        const CellGrid before = map.cells(moved);
        map.fill(moved, changed, [&](const QPoint& place, Cell* value) { return cellAfter(before, place, value); },
                 record);
    }
    return dropped;
}

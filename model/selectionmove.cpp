#include "model/selectionmove.h"

#include "model/worldmap.h"

namespace {

// QRect::contains(), without a call for each of a whole map's cells.
bool holds(const QRect& rect, const QPoint& place)
{
    return place.x() >= rect.left() && place.x() <= rect.right() && place.y() >= rect.top()
        && place.y() <= rect.bottom();
}

} // namespace

bool SelectionMove::cellAfter(const CellGrid& cells, const QPoint& place, Cell* value) const
{
    const QPoint from = place - offset;
    if (holds(source, from)) {
        *value = cells.contains(from) ? cells.at(from.x(), from.y()) : Cell();
        return true;
    }
    if (!duplicate && holds(source, place)) {
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
    const QRect inside = map.cells(Layer::Top).bounds();
    // Against the move, as memmove copies: each cell is read before it is
    // written, when a cell moves there or when it is emptied.
    const QPoint order(offset.x() > 0 ? -1 : 1, offset.y() > 0 ? -1 : 1);
    for (Layer moved : { Layer::Top, Layer::Bottom }) {
        if (!moves(moved))
            continue;
        record->reserve(qint64((target() & inside).width()) * (target() & inside).height()
                        + qint64(source.width()) * source.height());
        const CellGrid& cells = map.cells(moved);
        map.fill(
            moved, changed, [&](const QPoint& place, Cell* value) { return cellAfter(cells, place, value); },
            record, order);
    }
    return dropped;
}

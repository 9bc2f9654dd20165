#pragma once

#include "model/cell.h"

#include <QPoint>
#include <QRect>

#include <algorithm>
#include <climits>
#include <vector>

// What one edit replaced, as pairs of a cell's place and the value that is
// not in the map: applying the patch swaps each stored value with the map's,
// in reverse order to undo and in recorded order to redo, so one list serves
// both ways. A place is a layer and a cell's storage index in that layer, at
// the size the map had when the edit was made.
class CellPatch
{
public:
    struct Entry
    {
        quint32 place; // the layer in the top bit, the storage index below
        Cell cell;
    };

    static constexpr quint32 BottomLayerBit = 0x80000000u;

    static quint32 place(Layer layer, quint32 index)
    {
        return layer == Layer::Bottom ? (index | BottomLayerBit) : index;
    }
    static Layer layerOf(quint32 place) { return (place & BottomLayerBit) ? Layer::Bottom : Layer::Top; }
    static quint32 indexOf(quint32 place) { return place & ~BottomLayerBit; }

    void record(quint32 place, const Cell& replaced, int x, int y)
    {
        entries.push_back({ place, replaced });
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
    }
    void append(const CellPatch& other);
    void clear();
    // Room for `more` entries beyond those held, for an edit that knows how
    // many cells it may change.
    void reserve(qint64 more) { entries.reserve(entries.size() + size_t(more)); }

    bool isEmpty() const { return entries.empty(); }
    // Every cell the patch holds lies in this rectangle, in cell units.
    QRect bounds() const { return isEmpty() ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom)); }
    qint64 bytes() const { return qint64(entries.capacity() * sizeof(Entry)); }

    std::vector<Entry>& list() { return entries; }

private:
    std::vector<Entry> entries;
    int left = INT_MAX;
    int top = INT_MAX;
    int right = INT_MIN;
    int bottom = INT_MIN;
};

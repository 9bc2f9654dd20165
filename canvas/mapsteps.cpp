#include "canvas/mapsteps.h"

namespace {

// QUndoStack merges steps that have the same id; strokes are told apart by
// their own number.
constexpr int StrokeStepId = 1;

} // namespace

MapStep::MapStep(WorldMap& map, const QString& text)
    : QUndoCommand(text)
    , map(map)
{
}

void MapStep::forget()
{
    forgotten = true;
    release();
}

CellStep::CellStep(WorldMap& map, const QString& text, Edit edit, int stroke)
    : MapStep(map, text)
    , edit(std::move(edit))
    , stroke(stroke)
{
}

void CellStep::redo()
{
    if (edit) {
        edit(map, &patch);
        edit = nullptr;
        // An edit that changed nothing is no step; QUndoStack drops it.
        setObsolete(patch.isEmpty());
        return;
    }
    map.swap(patch, false);
}

void CellStep::undo()
{
    map.swap(patch, true);
}

int CellStep::id() const
{
    return stroke >= 0 && !isForgotten() ? StrokeStepId : -1;
}

bool CellStep::mergeWith(const QUndoCommand* other)
{
    const auto* next = static_cast<const CellStep*>(other);
    if (next->stroke != stroke)
        return false;
    patch.append(next->patch);
    return true;
}

StartPointStep::StartPointStep(WorldMap& map, const QString& text, const QPoint& cell)
    : MapStep(map, text)
    , other(cell)
{
}

void StartPointStep::redo()
{
    const QPoint before = map.startPoint();
    map.setStartPoint(other);
    setObsolete(before == other);
    other = before;
}

ResizeStep::ResizeStep(WorldMap& map, const QString& text, const QSize& size)
    : MapStep(map, text)
    , from(map.size())
    , to(size)
{
}

void ResizeStep::redo()
{
    cut.clear();
    map.resize(to, &cut);
    setObsolete(from == to);
}

void ResizeStep::undo()
{
    // The cells beyond the old size are blank again by now: every later step
    // has been undone.
    CellPatch grown;
    map.resize(from, &grown);
    map.swap(cut, true);
    cut.clear();
}

ReplaceMapStep::ReplaceMapStep(WorldMap& map, const QString& text, MapContents contents)
    : MapStep(map, text)
    , other(std::move(contents))
{
}

void ReplaceMapStep::redo()
{
    const auto isNewSet = [this](const MapContents& contents) {
        return contents.top.isEmpty() && contents.bottom.isEmpty() && contents.tileSets.isEmpty()
            && contents.fileName.isEmpty() && contents.size == map.size();
    };
    const bool toNewSet = isNewSet(other);
    map.swapContents(&other);
    // A new set over a map that is one already changes nothing.
    if (!done)
        setObsolete(toNewSet && isNewSet(other));
    done = true;
}

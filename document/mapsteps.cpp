#include "document/mapsteps.h"

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

CellStep::CellStep(WorldMap& map, const QString& text, CellPatch done, int stroke)
    : MapStep(map, text)
    , patch(std::move(done))
    , stroke(stroke)
{
}

void CellStep::redo()
{
    // QUndoStack::push() redoes what is already done.
    if (pushed)
        map.swap(patch, false);
    pushed = true;
}

void CellStep::undo()
{
    map.swap(patch, true);
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

void ReplaceMapStep::replaceTileSetImages(const LoadedTileSet& set)
{
    for (LoadedTileSet& kept : other.tileSets) {
        if (kept.file == set.file && !set.file.isEmpty()) {
            kept.image = set.image;
            kept.drawn = set.drawn;
        }
    }
}

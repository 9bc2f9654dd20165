#include "document/mapsteps.h"

#include <QStringList>

#include <algorithm>

namespace {

// QUndoCommand's private part: a list of children, the text and the action
// text, an id and a flag.
constexpr qint64 CommandPrivateBytes = 3 * 24 + 8;
// The header Qt puts before a string's characters.
constexpr qint64 StringHeaderBytes = 16;

qint64 stringBytes(const QString& text)
{
    return text.capacity() == 0 ? 0 : heapBlockBytes(StringHeaderBytes + 2 * (qint64(text.capacity()) + 1));
}

} // namespace

qint64 heapBlockBytes(qint64 size)
{
    return size == 0 ? 0 : std::max<qint64>(32, (size + 8 + 15) & ~qint64(15));
}

MapStep::MapStep(WorldMap& map, const QString& text)
    : QUndoCommand(text)
    , map(map)
{
}

qint64 MapStep::stepBytes(size_t objectSize) const
{
    // The action text shares the text's characters unless a line break
    // splits the two.
    const QString action = actionText();
    return heapBlockBytes(qint64(objectSize)) + heapBlockBytes(CommandPrivateBytes) + stringBytes(text())
        + (action.constData() == text().constData() ? 0 : stringBytes(action));
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

qint64 ReplaceMapStep::storedBytes() const
{
    // The images are shared with the store of tile-set images, which counts
    // them while anything holds them; the step counts its list and names.
    const qint64 list = qint64(other.tileSets.capacity()) * qint64(sizeof(LoadedTileSet));
    qint64 names = list == 0 ? 0 : heapBlockBytes(list);
    for (const LoadedTileSet& set : other.tileSets)
        names += stringBytes(set.name) + stringBytes(set.file);
    return stepBytes(sizeof(*this)) + heapBlockBytes(other.top.bytes()) + heapBlockBytes(other.bottom.bytes())
        + names + stringBytes(other.fileName);
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

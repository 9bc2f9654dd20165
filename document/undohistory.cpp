#include "document/undohistory.h"

#include "document/mapsteps.h"

#include <algorithm>

UndoHistory::UndoHistory(qint64 budgetBytes, QObject* parent)
    : QObject(parent)
    , budget(budgetBytes)
{
    connect(&stack, &QUndoStack::indexChanged, this, &UndoHistory::changed);
}

UndoHistory::~UndoHistory()
{
    // The stack clears itself when destroyed, and says so; by then whoever
    // listens to this history may be half destroyed too.
    QObject::disconnect(&stack, nullptr, this, nullptr);
}

void UndoHistory::push(MapStep* step)
{
    // Pushing drops every step there was to redo. No step merges with
    // another on the stack: a stroke grows through extendStroke().
    for (int i = stack.index(); i < stack.count(); ++i)
        total -= stepAt(i)->storedBytes();
    // Places saved among the steps dropped are gone with them.
    const int kept = stack.index();
    saved.erase(std::remove_if(saved.begin(), saved.end(), [kept](const SavedPlace& place) { return place.index > kept; }),
                saved.end());
    stack.push(step);
    total += step->storedBytes();
    keepWithinBudget();
}

bool UndoHistory::extendStroke(int stroke, const CellPatch& done)
{
    const int top = stack.count() - 1;
    // A stroke grown past a saved place would take that place with it.
    const int here = stack.index();
    const bool atSaved
        = std::any_of(saved.begin(), saved.end(), [here](const SavedPlace& place) { return place.index == here; });
    if (stroke < 0 || top < forgotten || here != stack.count() || atSaved)
        return false;
    auto* step = dynamic_cast<CellStep*>(stepAt(top));
    if (!step || step->strokeNumber() != stroke)
        return false;
    total -= step->storedBytes();
    step->extend(done);
    total += step->storedBytes();
    keepWithinBudget();
    return true;
}

void UndoHistory::replaceTileSetImages(const LoadedTileSet& set)
{
    for (int i = forgotten; i < stack.count(); ++i)
        stepAt(i)->replaceTileSetImages(set);
}

bool UndoHistory::canUndo() const
{
    return stack.index() > forgotten;
}

QString UndoHistory::undoText() const
{
    return canUndo() ? stack.undoText() : QString();
}

void UndoHistory::undo()
{
    if (!canUndo())
        return;
    // A step stores what the map does not hold, which undo exchanges.
    MapStep* step = stepAt(stack.index() - 1);
    total -= step->storedBytes();
    stack.undo();
    total += step->storedBytes();
}

void UndoHistory::redo()
{
    if (!canRedo())
        return;
    MapStep* step = stepAt(stack.index());
    total -= step->storedBytes();
    stack.redo();
    total += step->storedBytes();
}

void UndoHistory::markSaved(const QString& key)
{
    const int here = stack.index();
    for (SavedPlace& place : saved) {
        if (place.index == here) {
            place.key = key;
            return;
        }
    }
    saved.push_back({ here, key });
}

bool UndoHistory::matchesSaved(const QString& key) const
{
    const int here = stack.index();
    for (const SavedPlace& place : saved) {
        if (place.key != key)
            continue;
        const int from = std::min(place.index, here);
        const int to = std::max(place.index, here);
        bool same = true;
        for (int i = from; i < to && same; ++i)
            same = !stepAt(i)->changesFile();
        if (same)
            return true;
    }
    return false;
}

MapStep* UndoHistory::stepAt(int index) const
{
    // The stack owns its steps and hands out only const pointers; every
    // step on it is one that push() was given.
    return const_cast<MapStep*>(static_cast<const MapStep*>(stack.command(index)));
}

void UndoHistory::keepWithinBudget()
{
    // After a push the newest step is on top, with nothing to redo above it;
    // it is kept whatever it stores.
    const int newest = stack.count() - 1;
    bool forgot = false;
    while (total > budget && forgotten < newest) {
        MapStep* oldest = stepAt(forgotten++);
        total -= oldest->storedBytes();
        oldest->forget();
        forgot = true;
    }
    if (forgot)
        emit changed();
}

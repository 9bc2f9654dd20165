#include "document/undohistory.h"

#include "document/mapsteps.h"

UndoHistory::UndoHistory(qint64 budgetBytes, QObject* parent)
    : QObject(parent)
    , budget(budgetBytes)
{
    connect(&stack, &QUndoStack::indexChanged, this, &UndoHistory::changed);
    connect(&stack, &QUndoStack::cleanChanged, this, &UndoHistory::cleanChanged);
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
    stack.push(step);
    total += step->storedBytes();
    keepWithinBudget();
}

bool UndoHistory::extendStroke(int stroke, const CellPatch& done)
{
    const int top = stack.count() - 1;
    if (stroke < 0 || top < forgotten || stack.index() != stack.count() || stack.isClean())
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

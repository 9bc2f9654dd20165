#include "canvas/undohistory.h"

#include "canvas/mapsteps.h"

UndoHistory::UndoHistory(qint64 budgetBytes, QObject* parent)
    : QObject(parent)
    , budget(budgetBytes)
{
    connect(&stack, &QUndoStack::indexChanged, this, &UndoHistory::changed);
    connect(&stack, &QUndoStack::cleanChanged, this, &UndoHistory::cleanChanged);
}

UndoHistory::~UndoHistory() = default;

void UndoHistory::push(MapStep* step)
{
    stack.push(step);
    keepWithinBudget();
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
    if (canUndo())
        stack.undo();
}

void UndoHistory::redo()
{
    stack.redo();
}

qint64 UndoHistory::storedBytes() const
{
    qint64 bytes = 0;
    for (int i = forgotten; i < stack.count(); ++i)
        bytes += stepAt(i)->storedBytes();
    return bytes;
}

MapStep* UndoHistory::stepAt(int index) const
{
    // The stack owns its steps and hands out only const pointers; every
    // step on it is one that push() was given.
    return const_cast<MapStep*>(static_cast<const MapStep*>(stack.command(index)));
}

void UndoHistory::keepWithinBudget()
{
    // After a push the newest step is on top, with nothing to redo above it.
    int oldestKept = stack.count() - 1;
    if (oldestKept <= forgotten)
        return;
    qint64 bytes = stepAt(oldestKept)->storedBytes();
    while (oldestKept > forgotten && bytes + stepAt(oldestKept - 1)->storedBytes() <= budget)
        bytes += stepAt(--oldestKept)->storedBytes();
    if (oldestKept == forgotten)
        return;
    for (int i = forgotten; i < oldestKept; ++i)
        stepAt(i)->forget();
    forgotten = oldestKept;
    emit changed();
}

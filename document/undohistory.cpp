#include "document/undohistory.h"

#include "document/mapsteps.h"

UndoHistory::UndoHistory(qint64 budgetBytes, QObject* parent)
    : QObject(parent)
    , budget(budgetBytes)
{
}

UndoHistory::~UndoHistory() = default;

template<typename Change> void UndoHistory::change(Change&& apply)
{
    const bool wasClean = isClean();
    apply();
    emit changed();
    if (isClean() != wasClean)
        emit cleanChanged(isClean());
}

qint64 UndoHistory::bytesOf(const MapStep& step) const
{
    // The step, and its place in the history's list.
    return step.storedBytes() + qint64(sizeof(std::unique_ptr<MapStep>));
}

void UndoHistory::push(MapStep* step)
{
    std::unique_ptr<MapStep> pushed(step);
    change([&] {
        // Pushing drops every step there was to redo. No step merges with
        // another: a stroke grows through extendStroke().
        while (int(steps.size()) > doneSteps) {
            total -= bytesOf(*steps.back());
            steps.pop_back();
        }
        if (cleanIndex > doneSteps)
            cleanIndex = -1;
        pushed->redo();
        total += bytesOf(*pushed);
        steps.push_back(std::move(pushed));
        ++doneSteps;
        keepWithinBudget();
    });
}

bool UndoHistory::extendStroke(int stroke, const CellPatch& done)
{
    if (stroke < 0 || steps.empty() || canRedo() || isClean())
        return false;
    auto* step = dynamic_cast<CellStep*>(steps.back().get());
    if (!step || step->strokeNumber() != stroke)
        return false;
    total -= bytesOf(*step);
    step->extend(done);
    total += bytesOf(*step);
    const size_t before = steps.size();
    keepWithinBudget();
    if (steps.size() != before)
        emit changed();
    return true;
}

QString UndoHistory::undoText() const
{
    return canUndo() ? steps[size_t(doneSteps - 1)]->text() : QString();
}

QString UndoHistory::redoText() const
{
    return canRedo() ? steps[size_t(doneSteps)]->text() : QString();
}

void UndoHistory::setClean()
{
    change([this] { cleanIndex = doneSteps; });
}

void UndoHistory::undo()
{
    if (!canUndo())
        return;
    // A step holds what the map does not, which undo exchanges.
    change([this] {
        MapStep& step = *steps[size_t(--doneSteps)];
        total -= bytesOf(step);
        step.undo();
        total += bytesOf(step);
    });
}

void UndoHistory::redo()
{
    if (!canRedo())
        return;
    change([this] {
        MapStep& step = *steps[size_t(doneSteps++)];
        total -= bytesOf(step);
        step.redo();
        total += bytesOf(step);
    });
}

void UndoHistory::keepWithinBudget()
{
    // Called with the newest step on top and nothing to redo above it; that
    // step is kept whatever it holds. The saved state goes with the step
    // that led to it.
    while (total > budget && steps.size() > 1) {
        total -= bytesOf(*steps.front());
        steps.pop_front();
        --doneSteps;
        cleanIndex = cleanIndex > 0 ? cleanIndex - 1 : -1;
    }
}

#include "document/undohistory.h"

#include "document/mapsteps.h"

#include <algorithm>

UndoHistory::UndoHistory(qint64 budgetBytes, QObject* parent)
    : QObject(parent)
    , budget(budgetBytes)
{
}

UndoHistory::~UndoHistory() = default;

qint64 UndoHistory::bytesOf(const MapStep& step) const
{
    // The step, and its place in the history's list.
    return step.storedBytes() + qint64(sizeof(std::unique_ptr<MapStep>));
}

void UndoHistory::push(MapStep* step)
{
    std::unique_ptr<MapStep> pushed(step);
    // Pushing drops every step there was to redo, and the places saved
    // among them. No step merges with another: a stroke grows through
    // extendStroke().
    while (int(steps.size()) > doneSteps) {
        total -= bytesOf(*steps.back());
        steps.pop_back();
    }
    const int kept = doneSteps;
    saved.erase(std::remove_if(saved.begin(), saved.end(),
                               [kept](const SavedPlace& place) { return place.index > kept; }),
                saved.end());
    pushed->redo();
    total += bytesOf(*pushed);
    steps.push_back(std::move(pushed));
    ++doneSteps;
    keepWithinBudget();
    emit changed();
}

bool UndoHistory::atSavedPlace() const
{
    return std::any_of(saved.begin(), saved.end(),
                       [this](const SavedPlace& place) { return place.index == doneSteps; });
}

bool UndoHistory::extendStroke(int stroke, const CellPatch& done)
{
    // A stroke grown past a saved place would take that place with it.
    if (stroke < 0 || steps.empty() || canRedo() || atSavedPlace())
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

void UndoHistory::replaceTileSetImages(const LoadedTileSet& set)
{
    for (const std::unique_ptr<MapStep>& step : steps)
        step->replaceTileSetImages(set);
}

QString UndoHistory::undoText() const
{
    return canUndo() ? steps[size_t(doneSteps - 1)]->text() : QString();
}

QString UndoHistory::redoText() const
{
    return canRedo() ? steps[size_t(doneSteps)]->text() : QString();
}

void UndoHistory::markSaved(const QString& key)
{
    for (SavedPlace& place : saved) {
        if (place.index == doneSteps) {
            place.key = key;
            return;
        }
    }
    saved.push_back({ doneSteps, key });
}

bool UndoHistory::matchesSaved(const QString& key) const
{
    for (const SavedPlace& place : saved) {
        if (place.key != key)
            continue;
        const int from = std::min(place.index, doneSteps);
        const int to = std::max(place.index, doneSteps);
        bool same = true;
        for (int i = from; i < to && same; ++i)
            same = !steps[size_t(i)]->changesFile();
        if (same)
            return true;
    }
    return false;
}

void UndoHistory::undo()
{
    if (!canUndo())
        return;
    // A step holds what the map does not, which undo exchanges.
    MapStep& step = *steps[size_t(--doneSteps)];
    total -= bytesOf(step);
    step.undo();
    total += bytesOf(step);
    emit changed();
}

void UndoHistory::redo()
{
    if (!canRedo())
        return;
    MapStep& step = *steps[size_t(doneSteps++)];
    total -= bytesOf(step);
    step.redo();
    total += bytesOf(step);
    emit changed();
}

void UndoHistory::keepWithinBudget()
{
    // Called with the newest step on top and nothing to redo above it; that
    // step is kept whatever it holds. A saved place goes with the step that
    // led to it.
    while (total > budget && steps.size() > 1) {
        total -= bytesOf(*steps.front());
        steps.pop_front();
        --doneSteps;
        for (SavedPlace& place : saved)
            --place.index;
        saved.erase(std::remove_if(saved.begin(), saved.end(),
                                   [](const SavedPlace& place) { return place.index < 0; }),
                    saved.end());
    }
}

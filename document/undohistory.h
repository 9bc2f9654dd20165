#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <memory>
#include <vector>

class CellPatch;
class MapStep;
struct LoadedTileSet;

// The undo history of the map: its steps, done and undone, kept within a
// memory budget for what they hold, the oldest dropped first. What a step
// holds is counted as the allocator gives it: the step itself, its text
// and its containers with their overhead, whatever kind of step it is.
//
// Saved states. The history remembers each place in it where the map was
// saved or imported, with what the file then held besides the steps (its
// name and tile sets, as a key of the caller's), so that going back to any
// of them through undo or redo finds the map unmodified again, and steps
// that the file cannot hold (the start point) count as no change.
class UndoHistory : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 DefaultBudgetBytes = qint64(64) * 1024 * 1024;

    explicit UndoHistory(qint64 budgetBytes = DefaultBudgetBytes, QObject* parent = nullptr);
    ~UndoHistory() override;

    // Does the step and keeps it; the newest step is kept whatever it stores.
    void push(MapStep* step);
    // Adds an edit of a stroke to the stroke's step when that is the newest,
    // nothing to redo above it and not a saved place; false otherwise, when
    // the edit needs a step of its own.
    bool extendStroke(int stroke, const CellPatch& done);

    bool canUndo() const { return doneSteps > 0; }
    bool canRedo() const { return doneSteps < int(steps.size()); }
    QString undoText() const;
    QString redoText() const;
    // Remembers the present place as saved with `key`.
    void markSaved(const QString& key);
    // Whether the map is as it was at a saved place with `key`: the steps
    // between there and here change nothing a file holds.
    bool matchesSaved(const QString& key) const;
    // Steps that can still be undone or redone.
    int stepCount() const { return int(steps.size()); }
    // Every step that keeps images of the file `set.file` takes `set`'s.
    void replaceTileSetImages(const LoadedTileSet& set);
    qint64 storedBytes() const { return total; }

public slots:
    void undo();
    void redo();

signals:
    // What undo and redo would do, or whether they can, has changed.
    void changed();

private:
    qint64 bytesOf(const MapStep& step) const;
    void keepWithinBudget();
    bool atSavedPlace() const;

    struct SavedPlace
    {
        int index; // steps done there
        QString key;
    };

    std::deque<std::unique_ptr<MapStep>> steps;
    int doneSteps = 0; // steps[0, doneSteps) are done; undo takes back the last of them
    std::vector<SavedPlace> saved;
    qint64 budget;
    qint64 total = 0; // bytes held by the steps
};

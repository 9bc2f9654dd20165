#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <vector>

class CellPatch;
class MapStep;
struct LoadedTileSet;

// The undo history of the map: a QUndoStack whose steps are kept within a
// memory budget for the map data they store, the oldest forgotten first.
// A forgotten step stays on the stack as a marker that cannot be undone, so
// undo and redo must go through this class, not through the stack.
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
    // nothing to redo above it and not the saved state; false otherwise,
    // when the edit needs a step of its own.
    bool extendStroke(int stroke, const CellPatch& done);

    bool canUndo() const;
    bool canRedo() const { return stack.canRedo(); }
    QString undoText() const;
    QString redoText() const { return stack.redoText(); }
    // Remembers the present place as saved with `key`.
    void markSaved(const QString& key);
    // Whether the map is as it was at a saved place with `key`: the steps
    // between there and here change nothing a file holds.
    bool matchesSaved(const QString& key) const;
    // Steps that can still be undone or redone.
    int stepCount() const { return stack.count() - forgotten; }
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
    MapStep* stepAt(int index) const;
    void keepWithinBudget();

    struct SavedPlace
    {
        int index;
        QString key;
    };

    QUndoStack stack;
    qint64 budget;
    int forgotten = 0; // the oldest steps, forgotten
    qint64 total = 0; // bytes stored by the steps not forgotten
    std::vector<SavedPlace> saved;
};

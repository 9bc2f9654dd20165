#pragma once

#include <QObject>
#include <QUndoStack>

class CellPatch;
class MapStep;

// The undo history of the map: a QUndoStack whose steps are kept within a
// memory budget for the map data they store, the oldest forgotten first.
// A forgotten step stays on the stack as a marker that cannot be undone, so
// undo and redo must go through this class, not through the stack.
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
    bool isClean() const { return stack.isClean(); }
    void setClean() { stack.setClean(); }
    // Steps that can still be undone or redone.
    int stepCount() const { return stack.count() - forgotten; }
    qint64 storedBytes() const { return total; }

public slots:
    void undo();
    void redo();

signals:
    // What undo and redo would do, or whether they can, has changed.
    void changed();
    void cleanChanged(bool clean);

private:
    MapStep* stepAt(int index) const;
    void keepWithinBudget();

    QUndoStack stack;
    qint64 budget;
    int forgotten = 0; // the oldest steps, forgotten
    qint64 total = 0; // bytes stored by the steps not forgotten
};

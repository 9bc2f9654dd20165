#pragma once

#include <QObject>
#include <QString>

#include <deque>
#include <memory>

class CellPatch;
class MapStep;

// The undo history of the map: its steps, done and undone, kept within a
// memory budget for what they hold, the oldest dropped first. What a step
// holds is counted as the allocator gives it: the step itself, its text
// and its containers with their overhead, whatever kind of step it is.
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

    bool canUndo() const { return doneSteps > 0; }
    bool canRedo() const { return doneSteps < int(steps.size()); }
    QString undoText() const;
    QString redoText() const;
    bool isClean() const { return doneSteps == cleanIndex; }
    void setClean();
    // Steps that can still be undone or redone.
    int stepCount() const { return int(steps.size()); }
    qint64 storedBytes() const { return total; }

public slots:
    void undo();
    void redo();

signals:
    // What undo and redo would do, or whether they can, has changed.
    void changed();
    void cleanChanged(bool clean);

private:
    // Runs a change of the steps or of the position among them, keeping the
    // count of bytes and telling whoever listens.
    template<typename Change> void change(Change&& apply);
    qint64 bytesOf(const MapStep& step) const;
    void keepWithinBudget();

    std::deque<std::unique_ptr<MapStep>> steps;
    int doneSteps = 0; // steps[0, doneSteps) are done; undo takes back the last of them
    int cleanIndex = 0; // the saved state; -1 once no step leads back to it
    qint64 budget;
    qint64 total = 0; // bytes held by the steps
};

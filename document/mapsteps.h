#pragma once

#include "model/cellpatch.h"
#include "model/worldmap.h"

#include <QUndoCommand>

// One user action on the map, as a step of the undo history. A step stores
// only what the map does not hold: the values its edit replaced while it is
// done, the values it wrote while it is undone. Whoever makes a step makes
// sure it changes something: pushing one drops every step there was to redo.
class MapStep : public QUndoCommand
{
public:
    MapStep(WorldMap& map, const QString& text);

    // Bytes the step holds, as the allocator gives them: the step itself,
    // its text and the map data it stores, each container with its
    // overhead.
    virtual qint64 storedBytes() const = 0;
    // Whether the step changes what a map file holds.
    virtual bool changesFile() const { return true; }
    // A tile-set file was read again: images of it that the step keeps give
    // way to `set`'s, so that undo and redo bring back the image on disk.
    virtual void replaceTileSetImages(const LoadedTileSet& set) { Q_UNUSED(set) }

protected:
    // Bytes of the step as an object of `objectSize` bytes with its text,
    // without the data it stores.
    qint64 stepBytes(size_t objectSize) const;

    WorldMap& map;
};

// Bytes the allocator takes for a block of `size` bytes (0 for none): the
// size rounded up with a word of its own, 32 at least, as glibc's malloc
// does on 64-bit systems.
qint64 heapBlockBytes(qint64 size);

// An edit of cells, made before the step is pushed, with what it replaced;
// undo and redo exchange those cells with the map's. A stroke (a paint or
// erase drag, from press to release) is one step that grows as it goes.
class CellStep : public MapStep
{
public:
    // `stroke` identifies the stroke the edit belongs to, or is -1.
    CellStep(WorldMap& map, const QString& text, CellPatch done, int stroke = -1);

    void redo() override;
    void undo() override;
    qint64 storedBytes() const override { return stepBytes(sizeof(*this)) + heapBlockBytes(patch.bytes()); }

    int strokeNumber() const { return stroke; }
    // Adds what a later edit of the same stroke replaced.
    void extend(const CellPatch& done) { patch.append(done); }

private:
    CellPatch patch;
    int stroke;
    bool pushed = false;
};

class StartPointStep : public MapStep
{
public:
    StartPointStep(WorldMap& map, const QString& text, const QPoint& cell);

    void redo() override;
    void undo() override { redo(); }
    qint64 storedBytes() const override { return stepBytes(sizeof(*this)); }
    bool changesFile() const override { return false; }

private:
    QPoint other;
};

class ResizeStep : public MapStep
{
public:
    ResizeStep(WorldMap& map, const QString& text, const QSize& size);

    void redo() override;
    void undo() override;
    qint64 storedBytes() const override { return stepBytes(sizeof(*this)) + heapBlockBytes(cut.bytes()); }

private:
    QSize from;
    QSize to;
    CellPatch cut;
};

// Replaces the whole map: a new set, or an import.
class ReplaceMapStep : public MapStep
{
public:
    ReplaceMapStep(WorldMap& map, const QString& text, MapContents contents);

    void redo() override { map.swapContents(&other); }
    void undo() override { map.swapContents(&other); }
    qint64 storedBytes() const override;
    void replaceTileSetImages(const LoadedTileSet& set) override;

private:
    MapContents other;
};

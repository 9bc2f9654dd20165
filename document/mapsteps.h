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

    // Bytes of map data the step stores.
    virtual qint64 storedBytes() const = 0;
    // Whether the step changes what a map file holds.
    virtual bool changesFile() const { return true; }
    // A tile-set file was read again: images of it that the step keeps give
    // way to `set`'s, so that undo and redo bring back the image on disk.
    virtual void replaceTileSetImages(const LoadedTileSet& set) { Q_UNUSED(set) }
    // Frees what the step stores. It can never be undone or redone again:
    // the history keeps it only as a marker.
    void forget();
    bool isForgotten() const { return forgotten; }

protected:
    virtual void release() = 0;

    WorldMap& map;

private:
    bool forgotten = false;
};

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
    qint64 storedBytes() const override { return patch.bytes(); }

    int strokeNumber() const { return stroke; }
    // Adds what a later edit of the same stroke replaced.
    void extend(const CellPatch& done) { patch.append(done); }

protected:
    void release() override { patch.clear(); }

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
    qint64 storedBytes() const override { return 0; }
    bool changesFile() const override { return false; }

protected:
    void release() override { }

private:
    QPoint other;
};

class ResizeStep : public MapStep
{
public:
    ResizeStep(WorldMap& map, const QString& text, const QSize& size);

    void redo() override;
    void undo() override;
    qint64 storedBytes() const override { return cut.bytes(); }

protected:
    void release() override { cut.clear(); }

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
    qint64 storedBytes() const override { return other.bytes(); }
    void replaceTileSetImages(const LoadedTileSet& set) override;

protected:
    void release() override { other = MapContents(); }

private:
    MapContents other;
};

#pragma once

#include <QString>
#include <QStringList>

// The files the benchmark works on, written into `folder`: two tile sets of
// 400 x 400 pixels (100 tiles each: opaque ground, and shapes on a uniform
// background that the canvas masks out), a map of 255 x 255 cells whose
// bottom layer is full of tiles of the first set and whose top layer is full
// of tiles of the second, with random pass flags; the same map with its top
// layer drawn from a set of translucent sprites (anti-aliased, with dark
// outlines and soft shadows on a transparent background, as real art); and
// a 2000 x 2000 tile set for the palette.
struct BenchFiles
{
    QString map;
    QStringList mapTileSets;
    QString alphaMap;
    QStringList alphaMapTileSets;
    QString largeTileSet;
};

constexpr int BenchMapSide = 255;

// Empty paths when a file cannot be written.
BenchFiles writeBenchFiles(const QString& folder);

// A map of side x side cells like the benchmark's, both layers full, from
// the given tile sets; its path, or an empty one when it cannot be written.
QString writeBenchMap(const QString& path, const QStringList& tileSets, int side);

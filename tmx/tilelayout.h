#pragma once

#include <QPoint>
#include <QSize>

// Where the tiles of a converted tile-set image lie: in rows as near to a
// square as whole tiles allow, numbered row by row as the editor numbers
// the tiles of every tile set.
struct TileImageLayout
{
    int tiles = 0;
    int columns = 0;
    int rows = 0;
    int tileSide = 40;

    QSize pixels() const { return QSize(columns * tileSide, rows * tileSide); }
    // Decoded, four bytes a pixel.
    qint64 bytes() const { return qint64(columns) * rows * tileSide * tileSide * 4; }
    QPoint position(int tile) const { return QPoint(tile % columns, tile / columns) * tileSide; }
    bool isFull() const { return columns * rows == tiles; }
};

TileImageLayout tileImageLayout(int tiles, int tileSide);

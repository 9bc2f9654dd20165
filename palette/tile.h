#pragma once

#include <QObject>
#include <QString>

class QPixmap;

// One square tile of one tile set, or nothing. The same value is a palette
// entry, the canvas's brush, every map cell and every clipboard cell.
class Tile : public QObject
{
    Q_OBJECT

public:
    Tile();

    // Copies the tile's four values; the QObject part (name, parent,
    // connections) stays the target's own.
    Tile& operator=(const Tile& other);

    // Empties the tile. The image pointer is kept: emptiness is tileIndex == -1.
    void clear();

    bool isEmpty() const { return tileIndex == -1; }

    QString tileSetFile;
    // Not owned: one of the palette's or the canvas's stored tile-set images.
    QPixmap* tileSet = nullptr;
    // Row-major position inside the tile set, -1 for no tile.
    qint32 tileIndex = -1;
    bool pass = false;

public slots:
    void setCollision(bool pass);
};

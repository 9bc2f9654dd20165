#pragma once

#include <QObject>
#include <QString>

class QPixmap;

// One square tile of one tile set, or nothing. The same value is a palette
// entry, the canvas's brush and what the canvas's public operations give
// for a cell of the map.
class Tile : public QObject
{
    Q_OBJECT

public:
    Tile();
    Tile(const QString& tileSetFile, QPixmap* tileSet, qint32 tileIndex, bool pass);

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

#include "model/tile.h"

Tile::Tile()
    : tileSetFile(QStringLiteral(""))
{
}

Tile::Tile(const QString& tileSetFile, QPixmap* tileSet, qint32 tileIndex, bool pass)
    : tileSetFile(tileSetFile)
    , tileSet(tileSet)
    , tileIndex(tileIndex)
    , pass(pass)
{
}

Tile& Tile::operator=(const Tile& other)
{
    tileSet = other.tileSet;
    tileSetFile = other.tileSetFile;
    tileIndex = other.tileIndex;
    pass = other.pass;
    return *this;
}

void Tile::clear()
{
    tileSetFile = QStringLiteral("");
    setCollision(false);
    tileIndex = -1;
}

void Tile::setCollision(bool pass)
{
    this->pass = pass;
}

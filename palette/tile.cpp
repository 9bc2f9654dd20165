#include "palette/tile.h"

Tile::Tile()
    : tileSetFile(QStringLiteral(""))
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

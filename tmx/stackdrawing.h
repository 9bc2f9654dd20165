#pragma once

#include "tmx/tilestacks.h"

#include <QImage>
#include <QPoint>
#include <QSize>

class TileArtwork;

// Draws a stack of tiles as Tiled draws them over one cell of `cellSize`
// pixels: in order, each flipped and at its layer's opacity, over a clear
// cell. Then scales the cell to a tile of `tile` pixels by nearest
// neighbour, so that pixel art stays sharp, and puts it into `target`
// (premultiplied ARGB) with its top-left corner at `at`.
void drawTileStack(const std::vector<StackPiece>& stack, const TileArtwork& art, const QSize& cellSize,
                   const QSize& tile, QImage* target, const QPoint& at);

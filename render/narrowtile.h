#pragma once

#include <QRgb>
#include <QtGlobal>

// The rows of a tile a few pixels across that is partly clear, put over
// the pixels below as compositeOver() does: `cutout` when each of its
// pixels is clear or opaque, so that no arithmetic is needed. Each row is
// taken in one step where the processor has AVX2: most tiles of a picture
// of small cells are no wider than eight pixels.
void compositeNarrowTile(QRgb* line, qsizetype stride, const QRgb* source, qsizetype sourceStride, int width,
                         int height, bool cutout);

#pragma once

#include "benchfigure.h"

#include <QList>

// The editor while tile-set images decode, in a window of its own: the
// longest a key waits during a 30-second decode, how soon Cancel gives the
// map back, and how soon the decode left behind ends.
QList<Figure> decodingFigures(const QString& folder);

// The editor importing a map of 8 GIFs whose 5700 x 5700 screens are
// decoded whole, in a process of its own (this program run with
// --gif-screens FOLDER), so that its peak memory is the import's: prints
// the peak resident memory (MB) and the number of sets refused.
int measureGifScreens(const QString& folder);
Figure gifScreensFigure(const QString& folder);

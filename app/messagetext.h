#pragma once

#include <QString>

class QWidget;

// A path, a tile-set name or a message holding them as a message box shows
// it: each line shortened in the middle where it would not fit on the
// screen, so that the box and its buttons stay on the screen whatever a file
// names.
QString shortenedForMessage(const QString& text, const QWidget* parent);

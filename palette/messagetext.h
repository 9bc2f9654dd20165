#pragma once

#include <QString>

class QWidget;

// A path or a tile-set name as a message box shows it: shortened in the
// middle where it would not fit on the screen, so that the box and its
// buttons stay on the screen whatever a file names.
QString shortenedForMessage(const QString& text, const QWidget* parent);

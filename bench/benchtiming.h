#pragma once

#include <QSize>

#include <functional>

class QRect;
class QWidget;

// Median wall-clock time of `runs` calls of `work`, in milliseconds, after
// one call that is not counted (it fills caches and builds what is built
// once).
double medianMilliseconds(int runs, const std::function<void()>& work);

// The floors: what the least possible work of a figure costs on this
// machine, measured the same way.

// Copying `pixels` through QPainter from one premultiplied image to another,
// as a backing store receives a finished picture.
double copyPixelsMilliseconds(const QSize& pixels, int runs);

// The floor of repainting `painted`, pixels of `widget`'s window: on Qt's
// offscreen platform, copying as many device pixels as above; on a
// platform with a screen, the repaint of a window of the same size that
// copies the same pixels, its flush to the screen included. The window's
// size matters: an X server copies rows that are only part of a window's
// width about half as fast as rows that fill it, and a widget within a
// window is narrower than the window.
double repaintFloorMilliseconds(const QWidget& widget, const QRect& painted, int runs);

// Starting a program that does nothing, and its end.
double startProcessMilliseconds(int runs);

// Copying `bytes` bytes in memory.
double copyBytesMilliseconds(qint64 bytes, int runs);

// Writing `bytes` bytes to a new file in `folder` and syncing it to disk,
// as a save that must not lose the file has to.
double writeFileMilliseconds(const QString& folder, qint64 bytes, int runs);

// Reading these files whole.
double readFilesMilliseconds(const QStringList& files, int runs);

// The resident set of this process (VmRSS), in megabytes.
double residentMegabytes();

// The peak of the resident set (VmHWM) since the start of the process, or
// since resetResidentPeak(), in megabytes.
double residentPeakMegabytes();
void resetResidentPeak();

// Shows `window` and waits, up to a few seconds, until the platform shows
// it, so that its repaints reach the screen.
void showAndWait(QWidget& window);

// Growth of the resident set when `bytes` bytes are allocated and filled.
double fillBytesMegabytes(qint64 bytes);

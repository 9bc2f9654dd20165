#pragma once

#include <QByteArray>
#include <QSize>

// Image files made to hurt, for the tests and the benchmark.

// A GIF whose first frame is `frame` pixels and whose screen, which Qt
// decodes it onto, is `screen`; the frame holds no pixel data.
QByteArray gifWithScreen(const QSize& screen, const QSize& frame);

// A progressive JPEG of `side` x `side` pixels of one colour whose last
// scan is repeated `repeats` times, as a decoder runs it each time: the
// larger and the more scans, the longer it decodes.
QByteArray jpegRepeatingAScan(int side, int repeats);

#pragma once

#include <QImage>

class WorldViewWidget;

// Draws the canvas the plain way: the ground colour below the cells, every
// cell, line and mark in the canvas's order of drawing, with the marker
// images and the tile sets' images loaded and masked afresh (a tile set
// whose name is no file that can be read is drawn from the canvas's image),
// onto an image of the canvas's size filled with `background` first, which
// the canvas covers. Tests compare the canvas's own, optimised drawing
// against it pixel for pixel. With an `area`, the image holds only that part
// of the canvas, which is much cheaper to check often on a large map.
//
// With a `ratio`, the canvas is drawn as on a screen of that many device
// pixels per canvas pixel, in a window that holds it `offset` canvas pixels
// from its corner, and `area` is in the window's device pixels.
QImage referenceRendering(const WorldViewWidget& canvas, const QColor& background, const QRect& area = QRect(),
                          qreal ratio = 1, const QPoint& offset = QPoint());

// What the canvas itself draws, onto the same kind of image.
QImage canvasRendering(WorldViewWidget& canvas, const QColor& background);

// The first pixel where two images differ, as "x,y: #aarrggbb vs #aarrggbb",
// or an empty string when they are equal.
QString firstDifference(const QImage& actual, const QImage& expected, const QRect& area = QRect());

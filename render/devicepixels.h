#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>

#include <cmath>

// Where QPainter's raster engine puts what the canvas draws in widget
// pixels on a device of `scale` device pixels per widget pixel, widget
// pixel (0, 0) lying at device position (dx, dy): a window at a screen
// scale of 1.25 or 2, or one chunk of the canvas's picture. Edges are
// rounded as the engine rounds them; it rounds halves away from zero, so
// these are its pixels wherever device positions are not negative, which
// is where a window shows them.
struct DevicePixels
{
    qreal scale = 1;
    qreal dx = 0;
    qreal dy = 0;

    // Device pixel = widget pixel - origin.
    static DevicePixels translated(const QPoint& origin) { return { 1, qreal(-origin.x()), qreal(-origin.y()) }; }

    qreal x(qreal widgetX) const { return scale * widgetX + dx; }
    qreal y(qreal widgetY) const { return scale * widgetY + dy; }

    static int round(qreal position) { return int(std::floor(position + 0.5)); }

    // The device pixels that QPainter::fillRect(rect) fills: each edge
    // mapped and rounded on its own.
    QRect filled(const QRect& rect) const
    {
        return QRect(QPoint(round(x(rect.x())), round(y(rect.y()))),
                     QPoint(round(x(rect.x() + rect.width())) - 1, round(y(rect.y() + rect.height())) - 1));
    }

    // The device pixels that drawing an image into QRectF(rect) covers: the
    // mapped rectangle as QRectF::toRect() rounds it, its size corrected by
    // half the rounding of its corner.
    QRect imaged(const QRect& rect) const
    {
        const qreal left = x(rect.x()), top = y(rect.y());
        const int roundedLeft = round(left), roundedTop = round(top);
        return QRect(roundedLeft, roundedTop, round(scale * rect.width() + (left - roundedLeft) / 2),
                     round(scale * rect.height() + (top - roundedTop) / 2));
    }

    // The device pixels of a horizontal or vertical line drawn with a
    // cosmetic pen, one device pixel wide whatever the scale: both ends and
    // the line itself fall on the device pixel at or before them.
    QRect lined(const QPoint& from, const QPoint& to) const
    {
        const auto down = [](qreal position) { return int(std::floor(position)); };
        return QRect(QPoint(down(x(from.x())), down(y(from.y()))), QPoint(down(x(to.x())), down(y(to.y()))));
    }

    // The widget pixels whose device pixels may meet `device`.
    QRect widgetArea(const QRect& device) const
    {
        return QRect(QPoint(int(std::floor((device.left() - dx) / scale)) - 1,
                            int(std::floor((device.top() - dy) / scale)) - 1),
                     QPoint(int(std::ceil((device.right() + 1 - dx) / scale)) + 1,
                            int(std::ceil((device.bottom() + 1 - dy) / scale)) + 1));
    }

    // Whether every position of a widget pixel falls on a quarter of a
    // device pixel, so that scaled tiles come in at most four phases a
    // side.
    bool onQuarters() const
    {
        const auto quarter = [](qreal value) { return value * 4 == std::floor(value * 4); };
        return scale > 0 && quarter(scale) && quarter(dx) && quarter(dy);
    }
};

#include "paintrecorder.h"

#include <QPaintEvent>
#include <QWidget>

PaintRecorder::PaintRecorder(QWidget* watched)
    : QObject(watched)
{
    watched->installEventFilter(this);
}

void PaintRecorder::reset()
{
    region = QRegion();
    events = 0;
}

QSize PaintRecorder::paintedPixels() const
{
    qint64 pixels = 0;
    for (const QRect& rect : region)
        pixels += qint64(rect.width()) * rect.height();
    const int width = region.boundingRect().width();
    if (width == 0)
        return QSize();
    return QSize(width, int((pixels + width - 1) / width));
}

bool PaintRecorder::eventFilter(QObject* object, QEvent* event)
{
    if (event->type() == QEvent::Paint) {
        region += static_cast<QPaintEvent*>(event)->region();
        ++events;
    }
    return QObject::eventFilter(object, event);
}

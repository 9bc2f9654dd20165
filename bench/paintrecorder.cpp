#include "paintrecorder.h"

#include <QPaintEvent>
#include <QWidget>

PaintRecorder::PaintRecorder(QWidget* watched)
    : QObject(watched)
    , target(*watched)
{
    watched->installEventFilter(this);
}

void PaintRecorder::reset()
{
    region = QRegion();
    events = 0;
}

QRect PaintRecorder::paintedInWindow() const
{
    qint64 pixels = 0;
    for (const QRect& rect : region)
        pixels += qint64(rect.width()) * rect.height();
    const QRect bounds = region.boundingRect();
    if (bounds.isEmpty())
        return QRect();
    return QRect(target.mapTo(target.window(), bounds.topLeft()),
                 QSize(bounds.width(), int((pixels + bounds.width() - 1) / bounds.width())));
}

bool PaintRecorder::eventFilter(QObject* object, QEvent* event)
{
    if (event->type() == QEvent::Paint) {
        region += static_cast<QPaintEvent*>(event)->region();
        ++events;
    }
    return QObject::eventFilter(object, event);
}

#pragma once

#include <QObject>
#include <QRegion>

class QWidget;

// Watches the paint events of one widget and keeps the region they painted
// since the last reset(), so that a figure's floor can copy exactly as many
// pixels as the figure's repaints touched.
class PaintRecorder : public QObject
{
    Q_OBJECT

public:
    explicit PaintRecorder(QWidget* watched);

    void reset();
    int paintEvents() const { return events; }
    const QRegion& painted() const { return region; }
    // The painted pixels as one rectangle, in the coordinates of the
    // widget's window: at the painted region's top-left corner, as wide as
    // the region, and as many rows as its pixels fill.
    QRect paintedInWindow() const;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    const QWidget& target;
    QRegion region;
    int events = 0;
};

#include "app/messagetext.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>
#include <QStringList>
#include <QWidget>

QString shortenedForMessage(const QString& text, const QWidget* parent)
{
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int width = screen ? screen->availableGeometry().width() / 2 : 600;
    const QFontMetrics metrics(QApplication::font("QMessageBox"));
    // Each line on its own: shortening the text as a whole would cut its
    // lines together into one.
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = metrics.elidedText(line, Qt::ElideMiddle, width);
    return lines.join(QLatin1Char('\n'));
}

#include "palette/messagetext.h"

#include <QApplication>
#include <QFontMetrics>
#include <QScreen>
#include <QWidget>

QString shortenedForMessage(const QString& text, const QWidget* parent)
{
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int width = screen ? screen->availableGeometry().width() / 2 : 600;
    return QFontMetrics(QApplication::font("QMessageBox")).elidedText(text, Qt::ElideMiddle, width);
}

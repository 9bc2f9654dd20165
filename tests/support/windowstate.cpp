#include "support/windowstate.h"

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QTest>
#include <QWidget>

namespace {

// Generous, for a slow and busy machine; reached only when something is wrong.
constexpr int Patience = 10000; // ms

} // namespace

bool showExposed(QWidget* window)
{
    window->show();
    return QTest::qWaitForWindowExposed(window, Patience);
}

bool activateWindow(QWidget* window)
{
    // Once the window is exposed, the window system's events about showing it,
    // and all events queued before them, have been handled: none of them can
    // take the activation away afterwards.
    if (!showExposed(window))
        return false;
    QApplication::setActiveWindow(window);
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, Patience);
}

bool focusOn(QWidget* widget)
{
    widget->setFocus(Qt::OtherFocusReason);
    return QTest::qWaitFor([widget] { return widget->hasFocus(); }, Patience);
}

QAction* actionByText(const QMainWindow& window, const QString& text)
{
    for (QAction* action : window.findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

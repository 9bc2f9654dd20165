#pragma once

class QAction;
class QMainWindow;
class QString;
class QWidget;

// When the window system exposes or activates a shown window is nothing a
// test can count on. These set the state a test needs and wait for it, up to
// a bound that a slow, busy machine stays far below.

// Shows `window` and waits until it is exposed, so that it paints. False if it
// is not exposed within the bound.
bool showExposed(QWidget* window);

// Keyboard focus moves, and window shortcuts fire, only in the application's
// active window.
// Shows `window` and makes it the active window. False if it is not active
// within the bound.
bool activateWindow(QWidget* window);

// Gives `widget`, in the active window, the keyboard focus. False if it does
// not have it within the bound.
bool focusOn(QWidget* widget);

// The window's own action with this text (its menu text, "&" included), or
// null.
QAction* actionByText(const QMainWindow& window, const QString& text);

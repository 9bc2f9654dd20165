#pragma once

#include <QGuiApplication>

// The wait cursor over the whole application for as long as it lives: a
// save or an import shows it while it runs and takes it away however the
// work ends.
class WaitCursor
{
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

#include "app/mainwindow.h"

#include "mapfile/fileio.h"

#include <QApplication>

int main(int argc, char** argv)
{
    ignoreFileSizeSignal();
    QApplication app(argc, argv);
    auto* window = new MainWindow;
    window->show();
    const int status = app.exec();
    delete window;
    return status;
}

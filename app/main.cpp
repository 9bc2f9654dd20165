#include "app/mainwindow.h"

#include "mapfile/fileio.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char** argv)
{
    ignoreFileSizeSignal();
    // Qt's own options (-style, -platform, ...) are taken out of the
    // arguments here, before ours are read.
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(VARNHOLD_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QApplication::translate("main", "Varnhold, an editor for the maps of 2-D tile-based games."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
                                 QApplication::translate("main", "A map file (.map) to open."),
                                 QStringLiteral("[FILE]"));
    parser.process(app);
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1)
        parser.showHelp(2);
    auto* window = new MainWindow;
    window->show();
    if (!files.isEmpty())
        window->openMap(files.first());
    const int status = app.exec();
    delete window;
    return status;
}

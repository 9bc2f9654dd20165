// varnhold-map: the editor's companion on the command line. It draws with
// QPixmap, which needs a GUI application, but never shows a window or
// text, so it runs on Qt's minimal platform unless told otherwise: in CI,
// over ssh, wherever no display exists. Unlike the offscreen one, that
// platform has no font database, whose set-up and teardown would take
// longer than drawing a small map.

#include "mapcli/mapcommand.h"
#include "mapfile/fileio.h"

#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>

namespace {

QtMessageHandler qtHandler = nullptr;

// Run as root without a login session, as CI runs, Qt remarks at start-up
// that the session has no runtime folder. The remark is about the machine,
// not the map, and would open every report; everything else passes.
void startupMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    qtHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv)
{
    ignoreFileSizeSignal();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "minimal");
    qtHandler = qInstallMessageHandler(startupMessage);
    QGuiApplication app(argc, argv);
    qInstallMessageHandler(qtHandler);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runMapCommand(QCoreApplication::arguments().mid(1), out, err);
}

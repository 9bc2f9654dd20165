#include "mapcli/commandline.h"

#include "mapcli/mapcommand.h"

#include <QTextStream>

CommandLine::CommandLine(const QString& command, const QString& help)
    : command(command)
    , help(help)
{
    options.addOption(QCommandLineOption(QStringList { QStringLiteral("h"), QStringLiteral("help") }));
}

bool CommandLine::parse(const QStringList& arguments, QTextStream& out, QTextStream& err, int* status)
{
    if (!options.parse(QStringList { QStringLiteral("varnhold-map") } + arguments)) {
        *status = usageError(err, options.errorText());
        return false;
    }
    if (options.isSet(QStringLiteral("help"))) {
        out << help;
        *status = CommandDone;
        return false;
    }
    return true;
}

int CommandLine::usageError(QTextStream& err, const QString& message) const
{
    err << QStringLiteral("varnhold-map %1: %2\nTry 'varnhold-map %1 --help'.\n").arg(command, message);
    return CommandUsageError;
}

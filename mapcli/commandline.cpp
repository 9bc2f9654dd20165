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

bool CommandLine::mapAndOutput(const QCommandLineOption& output, const QString& outputName, QTextStream& err,
                               QString* map, QString* target, int* status) const
{
    const QStringList files = options.positionalArguments();
    if (files.size() != 1) {
        *status = usageError(err, files.isEmpty() ? QStringLiteral("no map file given")
                                                  : QStringLiteral("one map file at a time"));
        return false;
    }
    *map = files.first();
    *target = options.value(output);
    if (target->isEmpty()) {
        *status = usageError(err, QStringLiteral("no output file given (-o %1)").arg(outputName));
        return false;
    }
    return true;
}

#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

class QTextStream;

// The command line of one command of varnhold-map: its options parsed by
// QCommandLineParser, --help answered from the command's own text, and
// usage errors reported in one form, "varnhold-map COMMAND: message", with
// a pointer to the help.
class CommandLine
{
public:
    CommandLine(const QString& command, const QString& help);

    QCommandLineParser& parser() { return options; }
    // Parses the arguments after the command's name. False when the command
    // should not run: after its help was printed (*status 0) or a usage
    // error was reported (*status 2).
    bool parse(const QStringList& arguments, QTextStream& out, QTextStream& err, int* status);
    // Reports a usage error; returns the exit status for it.
    int usageError(QTextStream& err, const QString& message) const;
    // After parse(): the one map file and the output file (option `output`,
    // shown as `outputName` in the message) that render and export take.
    // False, with *status 2, after reporting a usage error.
    bool mapAndOutput(const QCommandLineOption& output, const QString& outputName, QTextStream& err,
                      QString* map, QString* target, int* status) const;

private:
    QString command;
    QString help;
    QCommandLineParser options;
};

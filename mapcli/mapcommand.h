#pragma once

#include <QStringList>

class QTextStream;

// The exit statuses of varnhold-map.
enum MapCommandStatus { CommandDone = 0, CommandFoundProblems = 1, CommandUsageError = 2 };

// Runs the command line of varnhold-map, `arguments` without the program's
// own name: "check", "render", "export" or "import" and their arguments, or
// --help or --version. What a command is asked for (help, the check's
// findings, the import's report) goes to `out`, every other message to
// `err`. Returns the exit status.
int runMapCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

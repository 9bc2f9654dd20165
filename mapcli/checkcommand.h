#pragma once

#include <QStringList>

class QTextStream;

// varnhold-map check: `arguments` are those after the command's name.
// Returns the exit status.
int runCheckCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

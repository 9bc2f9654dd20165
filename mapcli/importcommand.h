#pragma once

#include <QStringList>

class QTextStream;

// varnhold-map import: `arguments` are those after the command's name.
// Returns the exit status.
int runImportCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

#pragma once

#include <QStringList>

class QTextStream;

// varnhold-map export: `arguments` are those after the command's name.
// Returns the exit status.
int runExportCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

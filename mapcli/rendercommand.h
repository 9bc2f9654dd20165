#pragma once

#include <QStringList>

class QTextStream;

// varnhold-map render: `arguments` are those after the command's name.
// Returns the exit status.
int runRenderCommand(const QStringList& arguments, QTextStream& out, QTextStream& err);

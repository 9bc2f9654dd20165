#pragma once

#include <QByteArray>
#include <QString>

class MapSource;
class QTextStream;

// Writes a file that a command makes, replacing any file of that name
// whole: a failed write leaves the old file as it was. On failure reports
// "PATH: cannot be written: REASON" to `err` and returns false.
bool writeOutputFile(const QString& path, const QByteArray& bytes, QTextStream& err);

// Whether `path` names a file that the command reads: the map file or one
// of its tile-set images, which writing would destroy. Reports
// "PATH: cannot be written: ..." to `err` when it does.
bool isInputFile(const QString& path, const MapSource& source, QTextStream& err);

#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

class QTextStream;

// Writes a file that a command makes, replacing any file of that name
// whole: a failed write leaves the old file as it was. On failure reports
// "PATH: cannot be written: REASON" to `err` and returns false.
bool writeOutputFile(const QString& path, const QByteArray& bytes, QTextStream& err);

// The image as the bytes of a PNG file; empty if it cannot be encoded.
QByteArray pngFileBytes(const QImage& image);

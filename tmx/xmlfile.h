#pragma once

#include <QByteArray>
#include <QDir>
#include <QString>

class QXmlStreamAttributes;
class QXmlStreamReader;

// A TMX or TSX file being read: its path as messages show it, and the
// folder that the paths inside it are relative to.
struct XmlFile
{
    QString shown;
    QDir folder;

    // The file that `source`, a path written in this file, names.
    XmlFile named(const QString& source) const;
    // "FILE: line N: message", at the reader's line.
    QString problem(const QXmlStreamReader& xml, const QString& message) const;
    // The problem of XML that is not well-formed, at its line.
    QString malformed(const QXmlStreamReader& xml) const;
};

// A TMX map file of Tiled (gzip-compressed or not) or a TSX tile-set file,
// read whole, with the checks of every file a map names (ReadableFile); the
// reason, naming the file, on failure.
bool readXmlFile(const XmlFile& file, const QString& path, QByteArray* bytes, QString* error);

// The whole number in attribute `name`, from `least` to `most`;
// `fallback` when the attribute is missing. False with *message saying why
// when it is not such a number.
bool intAttribute(const QXmlStreamAttributes& attributes, const QString& name, int fallback, int least,
                  int most, int* value, QString* message);

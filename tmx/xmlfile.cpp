#include "tmx/xmlfile.h"

#include "mapfile/fileio.h"
#include "tmx/decompression.h"

#include <QFileInfo>
#include <QXmlStreamReader>

XmlFile XmlFile::named(const QString& source) const
{
    const QString path = folder.filePath(source);
    return XmlFile { QDir::cleanPath(QDir(QFileInfo(shown).path()).filePath(source)),
                     QFileInfo(path).absoluteDir() };
}

QString XmlFile::problem(const QXmlStreamReader& xml, const QString& message) const
{
    return QStringLiteral("%1: line %2: %3").arg(shown, QString::number(xml.lineNumber()), message);
}

QString XmlFile::malformed(const QXmlStreamReader& xml) const
{
    return problem(xml, QStringLiteral("the XML is malformed: %1").arg(xml.errorString()));
}

bool readXmlFile(const XmlFile& file, const QString& path, QByteArray* bytes, QString* error)
{
    QString reason;
    QByteArray read;
    if (!readRegularFile(path, &read, &reason)) {
        *error = QStringLiteral("%1: cannot be read: %2").arg(file.shown, reason);
        return false;
    }
    if (!isGzipped(read)) {
        *bytes = read;
        return true;
    }
    if (!gunzipFile(read, DefaultMaxReadBytes, bytes, &reason)) {
        *error = QStringLiteral("%1: cannot be read: %2").arg(file.shown, reason);
        return false;
    }
    return true;
}

bool intAttribute(const QXmlStreamAttributes& attributes, const QString& name, int fallback, int least,
                  int most, int* value, QString* message)
{
    if (!attributes.hasAttribute(name)) {
        *value = fallback;
        return true;
    }
    const QStringView text = attributes.value(name);
    bool isNumber = false;
    const qint64 number = text.trimmed().toLongLong(&isNumber);
    if (!isNumber || number < least || number > most) {
        *message = QStringLiteral("%1=\"%2\" should be a whole number from %3 to %4")
                       .arg(name, text.toString(), QString::number(least), QString::number(most));
        return false;
    }
    *value = int(number);
    return true;
}

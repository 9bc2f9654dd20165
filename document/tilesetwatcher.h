#pragma once

#include "mapfile/fileio.h"

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

// Watches the files of the loaded tile sets and reports each one whose
// content changed on disk: written in place, or replaced by a rename or by
// a new file of the same name. A report comes once the file has been quiet
// for a moment, so that a file still being written is read whole, and only
// when the file's identity (inode, size, time) differs from the one last
// reported, so that events which change nothing reload nothing. A file
// that disappears is not reported; it is reported when it comes back.
class TileSetWatcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int QuietMilliseconds = 200;

    explicit TileSetWatcher(QObject* parent = nullptr);
    ~TileSetWatcher() override;

    // The files to watch, by absolute path; files watched before and not
    // named here are let go. A file watched already keeps its identity.
    void watch(const QStringList& paths);

signals:
    void fileChanged(const QString& path);

private:
    void noteFile(const QString& path);
    void noteFolder(const QString& folder);
    void reportChanged();
    // Watches the file again when it is there: a file replaced by a rename
    // is a new file, which the system no longer watches under its name.
    void rewatch(const QString& path);

    // Made for the first file, since each holds a resource of the system.
    std::unique_ptr<QFileSystemWatcher> system;
    QHash<QString, FileIdentity> known;
    QSet<QString> pending;
    QTimer quiet;
};

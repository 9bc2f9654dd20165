#include "document/tilesetwatcher.h"

#include <QFileInfo>

#include <utility>

TileSetWatcher::TileSetWatcher(QObject* parent)
    : QObject(parent)
{
    quiet.setSingleShot(true);
    quiet.setInterval(QuietMilliseconds);
    connect(&quiet, &QTimer::timeout, this, &TileSetWatcher::reportChanged);
}

TileSetWatcher::~TileSetWatcher() = default;

void TileSetWatcher::watch(const QStringList& paths)
{
    if (!system) {
        if (paths.isEmpty())
            return;
        system = std::make_unique<QFileSystemWatcher>();
        connect(system.get(), &QFileSystemWatcher::fileChanged, this, &TileSetWatcher::noteFile);
        // A file replaced by a rename, or one that comes back, shows only in
        // its folder.
        connect(system.get(), &QFileSystemWatcher::directoryChanged, this, &TileSetWatcher::noteFolder);
    }
    const QSet<QString> wanted(paths.begin(), paths.end());
    QSet<QString> folders;
    for (const QString& path : wanted)
        folders.insert(QFileInfo(path).absolutePath());
    for (auto entry = known.begin(); entry != known.end();) {
        if (wanted.contains(entry.key())) {
            ++entry;
            continue;
        }
        if (system->files().contains(entry.key()))
            system->removePath(entry.key());
        pending.remove(entry.key());
        entry = known.erase(entry);
    }
    const QStringList watchedFolders = system->directories();
    for (const QString& folder : watchedFolders) {
        if (!folders.contains(folder))
            system->removePath(folder);
    }
    for (const QString& path : wanted) {
        if (known.contains(path))
            continue;
        known.insert(path, fileIdentity(path));
        rewatch(path);
    }
    for (const QString& folder : folders) {
        if (!watchedFolders.contains(folder) && QFileInfo(folder).isDir())
            system->addPath(folder);
    }
}

void TileSetWatcher::rewatch(const QString& path)
{
    if (!system->files().contains(path) && QFileInfo::exists(path))
        system->addPath(path);
}

void TileSetWatcher::noteFile(const QString& path)
{
    if (!known.contains(path))
        return;
    pending.insert(path);
    quiet.start();
}

void TileSetWatcher::noteFolder(const QString& folder)
{
    for (auto entry = known.cbegin(); entry != known.cend(); ++entry) {
        if (QFileInfo(entry.key()).absolutePath() == folder)
            pending.insert(entry.key());
    }
    if (!pending.isEmpty())
        quiet.start();
}

void TileSetWatcher::reportChanged()
{
    const QSet<QString> changed = std::exchange(pending, {});
    for (const QString& path : changed) {
        const auto entry = known.find(path);
        if (entry == known.end())
            continue;
        rewatch(path);
        const FileIdentity now = fileIdentity(path);
        if (*entry == now)
            continue;
        *entry = now;
        // A file gone leaves its set as it was loaded.
        if (now.size >= 0)
            emit fileChanged(path);
    }
}

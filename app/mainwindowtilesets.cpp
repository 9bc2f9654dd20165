#include "app/mainwindow.h"

#include "app/messagetext.h"
#include "app/waitcursor.h"
#include "canvas/worldviewwidget.h"
#include "document/mapdocument.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

// Whether a set of the map that is named relative to the current folder was
// found there.
bool setFoundInCurrentFolder(const WorldMap& map)
{
    for (int k = 0; k < map.tileSetCount(); ++k) {
        const QFileInfo name(map.tileSetName(k));
        if (name.isRelative() && name.absoluteFilePath() == map.tileSetFile(k))
            return true;
    }
    return false;
}

} // namespace

void MainWindow::openMap(const QString& file)
{
    importMapFile(file, true);
}

void MainWindow::importMapFile(const QString& path, bool atStart)
{
    QString error;
    QList<FileProblem> unloaded;
    bool imported;
    {
        const WaitCursor waiting;
        imported = worldViewWidget->readMapFile(path, &error, &unloaded);
    }
    // A cancelled import has nothing to report.
    if (!imported && error.isEmpty())
        return;
    // Sets found only beside the map keep their names, which are then
    // relative to its folder: that folder is where they, and the sets loaded
    // from now on, are named from.
    const QString folder = QFileInfo(path).canonicalPath();
    if (imported && atStart && folder != QDir::currentPath() && !setFoundInCurrentFolder(document->map()))
        QDir::setCurrent(folder);
    if (!imported)
        unloaded = { { error, QString() } };
    if (!unloaded.isEmpty())
        refuseTileSetLoads(unloaded, imported ? document->map().missingTileSets() : QStringList());
}

void MainWindow::locateTileSet(const QString& name)
{
    const QString mapFile = document->fileName();
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Locate %1").arg(shortenedForMessage(name, this)),
        mapFile.isEmpty() ? QStringLiteral(".") : QFileInfo(mapFile).absolutePath(),
        tr("Image files (*.png *.jpg *.bmp)"));
    if (path.isEmpty())
        return;
    FileProblem problem;
    // A locate the user cancelled has nothing to report.
    if (!document->locateTileSet(name, path, &problem) && !problem.message.isEmpty())
        refuseTileSetLoads({ problem });
}

void MainWindow::askToRenumber(const QString& name, int before)
{
    // The question that is open or waiting for this set renumbers from the
    // width its cells are numbered for to the width the image has then.
    for (const auto& question : std::as_const(widthQuestions)) {
        if (question.first == name)
            return;
    }
    widthQuestions.append({ name, before });
    if (widthQuestions.size() > 1)
        return;
    while (!widthQuestions.isEmpty()) {
        const auto [setName, from] = widthQuestions.first();
        const int k = document->map().tileSetIndex(setName);
        const int columns = k < 0 ? from : document->map().tileSetImage(k)->width() / MapDocument::TileSize;
        if (columns != from) {
            const auto answer = QMessageBox::question(
                this, tr("Tile Set Changed"),
                tr("%1 is now %2 tiles wide instead of %3.\n"
                   "Renumber the map's tiles of this set, so that each keeps its place in the picture? "
                   "No keeps their numbers, so cells may show other tiles.")
                    .arg(shortenedForMessage(setName, this))
                    .arg(columns)
                    .arg(from),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
            if (answer == QMessageBox::Yes)
                document->renumberTileSet(setName, from);
        }
        widthQuestions.removeFirst();
    }
}

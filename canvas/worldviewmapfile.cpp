// Saving and importing a set: the canvas's side of the map-file format.

#include "canvas/worldviewwidget.h"

#include "mapfile/fileio.h"
#include "mapfile/mapconversion.h"
#include "mapfile/mapdata.h"
#include "mapfile/mapparser.h"
#include "mapfile/mapwriter.h"
#include "palette/messagetext.h"

#include <QApplication>
#include <QMessageBox>

bool WorldViewWidget::writeMapFile(QString file)
{
    const auto refuse = [this, &file](const QString& reason) {
        QMessageBox::warning(this, tr("Set Save"),
                             tr("Cannot write file %1").arg(shortenedForMessage(file, this)) + QLatin1Char('\n')
                                 + shortenedForMessage(reason, this));
        return false;
    };

    // Cells of a tile set whose image could not be loaded keep its name; it is
    // written after the loaded sets so that saving such a map loses nothing.
    const MapData data = mapDataOf(worldMap);
    if (data.tileSetNames.size() > MaxTileSets) {
        const QStringList missing = worldMap.missingTileSets();
        return refuse(tr("The map uses %1 tile sets, %2 of them not loaded; a map file holds at most %3. "
                         "Not loaded:\n%4")
                          .arg(data.tileSetNames.size())
                          .arg(missing.size())
                          .arg(MaxTileSets)
                          .arg(missing.join(QLatin1Char('\n'))));
    }

    // Never write a file that would read back as another set.
    const QString problem = mapDataProblem(data);
    if (!problem.isEmpty())
        return refuse(problem);

    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString reason;
    const bool saved = saveFileAtomically(file, formatMapFile(data), &reason);
    if (!saved) {
        QApplication::restoreOverrideCursor();
        return refuse(reason);
    }
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    worldMap.setFileName(file);
    undoHistory.setClean();
    return true;
}

bool WorldViewWidget::readMapFile(QString file)
{
    // The whole file is read and checked before anything changes, so a bad
    // file never costs the user the map being edited.
    MapData data;
    {
        QByteArray bytes;
        QString reason;
        if (!readRegularFile(file, &bytes, &reason) || !parseMapFile(bytes, &data, &reason)) {
            QMessageBox::information(this, tr("TileSet Load"),
                                     tr("File could not be loaded...") + QLatin1Char('\n') + reason,
                                     QMessageBox::Ok, QMessageBox::Ok);
            return false;
        }
    }

    QApplication::setOverrideCursor(Qt::WaitCursor);
    brush.clear();
    clipboard.clear();
    emit brushChanged(brush.tileSetFile, brush.tileIndex);
    // Each name is loaded through the palette, which hands the image back to
    // addTileSet() before the request returns. A set that fails to load gets
    // no image; its cells keep its name until an image of that name is added.
    MapContents contents = mapContentsOf(data, worldMap, file);
    data = MapData();
    undoHistory.push(new ReplaceMapStep(worldMap, tr("Import Set"), std::move(contents)));
    undoHistory.setClean();
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    return true;
}

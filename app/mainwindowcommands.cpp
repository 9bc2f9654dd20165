#include "app/mainwindow.h"

#include "app/messagetext.h"
#include "app/resizedialog.h"
#include "app/waitcursor.h"
#include "canvas/worldviewwidget.h"
#include "document/mapdocument.h"
#include "palette/tilesetwidget.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>

#include <algorithm>
#include <iterator>

namespace {

// The zoom slots pass these and resetZoomChecks() compares with the very same
// values, so the exact float comparison holds for the chosen factor.
constexpr float Zoom10 = 1.0f;
constexpr float Zoom08 = 0.8f;
constexpr float Zoom06 = 0.6f;
constexpr float Zoom04 = 0.4f;
constexpr float Zoom02 = 0.2f;

// The levels in the order of the menu, from the largest view down.
constexpr float ZoomLevels[] = { Zoom10, Zoom08, Zoom06, Zoom04, Zoom02 };
constexpr int ZoomLevelCount = int(std::size(ZoomLevels));

// The level `steps` levels in from `zoom` (out when negative), within the
// levels there are. A zoom between two levels counts as the larger one.
int steppedZoomLevel(float zoom, int steps)
{
    int level = 0;
    while (level + 1 < ZoomLevelCount && ZoomLevels[level] > zoom)
        ++level;
    return std::clamp(level - steps, 0, ZoomLevelCount - 1);
}

} // namespace

// Projects and props have no data behind them yet; their commands do nothing.
void MainWindow::newProject() { }

void MainWindow::newSet()
{
    worldViewWidget->clearSet();
}

void MainWindow::openProject() { }

void MainWindow::importSet()
{
    importMapFile(QFileDialog::getOpenFileName(this, tr("Import Game Set"), QStringLiteral("."),
                                               tr("Map files (*.map);;Tiled maps (*.tmx *.tmx.gz)")),
                  false);
}

// There is no project file yet, so saving everything means saving the set:
// to its own file when it has one, else under a name the user gives.
bool MainWindow::saveAll()
{
    // A map imported from the Tiled editor gets a map file of its own first.
    const QString file = document->fileName();
    if (file.isEmpty() || MapDocument::isTmxFile(file))
        return saveSet();
    return writeMap(file);
}

bool MainWindow::writeMap(const QString& path)
{
    QString error;
    bool saved;
    {
        const WaitCursor waiting;
        saved = worldViewWidget->writeMapFile(path, &error);
    }
    if (!saved) {
        QMessageBox::warning(this, tr("Set Save"),
                             tr("Cannot write file %1").arg(shortenedForMessage(path, this)) + QLatin1Char('\n')
                                 + shortenedForMessage(error, this));
    }
    return saved;
}

void MainWindow::refuseTileSetLoads(const QList<FileProblem>& problems, const QStringList& locatable)
{
    QStringList lines;
    for (const FileProblem& problem : problems) {
        // Only a path is shortened; the rest of a line is ours and short.
        lines << (problem.path.isEmpty() ? shortenedForMessage(problem.message, this)
                                         : problem.message.arg(shortenedForMessage(problem.path, this)));
    }
    QMessageBox box(QMessageBox::Information, tr("TileSet Load"),
                    tr("File could not be loaded...") + QLatin1Char('\n') + lines.join(QLatin1Char('\n')),
                    QMessageBox::Ok, this);
    if (!locatable.isEmpty())
        box.addButton(QMessageBox::Open)->setText(tr("Locate..."));
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);
    if (box.exec() != QMessageBox::Open)
        return;
    for (const QString& name : locatable)
        locateTileSet(name);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!document->isModified()) {
        event->accept();
        return;
    }
    const auto answer = QMessageBox::warning(
        this, tr("Varnhold"), tr("Save changes to %1 before closing?").arg(shortenedForMessage(mapName(), this)),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Discard || (answer == QMessageBox::Save && saveAll()))
        event->accept();
    else
        event->ignore();
}

bool MainWindow::saveSet()
{
    QString path = QFileDialog::getSaveFileName(this, tr("Save GameSet"), QStringLiteral("."),
                                                tr("Map files (*.map)"));
    if (path.isEmpty())
        return false;
    if (!path.endsWith(QLatin1String(".map"), Qt::CaseSensitive)) {
        path += QLatin1String(".map");
        // The dialog asked about replacing the name that was typed, not about
        // this one.
        if (QFileInfo::exists(path)) {
            const auto answer = QMessageBox::warning(
                this, tr("Save GameSet"),
                tr("%1 already exists.\nDo you want to replace it?")
                    .arg(shortenedForMessage(QDir::toNativeSeparators(path), this)),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            if (answer != QMessageBox::Yes)
                return false;
        }
    }
    return writeMap(path);
}

void MainWindow::setPaint()
{
    selectTool(WorldViewWidget::Paint, paintAct);
}

void MainWindow::setErase()
{
    selectTool(WorldViewWidget::Erase, eraseAct);
}

void MainWindow::setSquare()
{
    selectTool(WorldViewWidget::Square, squareAct);
}

void MainWindow::setSelect()
{
    selectTool(WorldViewWidget::Select, selectAct);
}

void MainWindow::setPass()
{
    selectTool(WorldViewWidget::Pass, passAct);
}

void MainWindow::selectTool(int tool, QAction* action)
{
    worldViewWidget->setTool(tool);
    // Triggering the checked action has just unchecked it; check it again.
    action->setChecked(true);
    resetPaintChecks();
}

void MainWindow::resetPaintChecks()
{
    if (worldViewWidget->tool() != WorldViewWidget::Paint)
        paintAct->setChecked(false);
    if (worldViewWidget->tool() != WorldViewWidget::Erase)
        eraseAct->setChecked(false);
    if (worldViewWidget->tool() != WorldViewWidget::Square)
        squareAct->setChecked(false);
    if (worldViewWidget->tool() != WorldViewWidget::Select)
        selectAct->setChecked(false);
    if (worldViewWidget->tool() != WorldViewWidget::Pass)
        passAct->setChecked(false);
}

void MainWindow::newProp() { }

void MainWindow::editProp() { }

void MainWindow::importProp() { }

void MainWindow::exportProp() { }

void MainWindow::findProp() { }

void MainWindow::listProps() { }

void MainWindow::loadTileSet()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Open Tile Set"), QStringLiteral("."),
                                                      tr("Image files (*.png *.jpg *.bmp)"));
    // The relative path is the name under which both widgets and map files
    // know the set; importing a map resolves it against the current folder.
    const QString relativePath = QDir().relativeFilePath(path);
    QMessageBox::information(this, tr("TileSet Load"), shortenedForMessage(relativePath, this), QMessageBox::Ok,
                             QMessageBox::Ok);
    if (!path.isEmpty())
        tileSetWidget->loadTileSet(relativePath);
}

void MainWindow::resizeWorld()
{
    ResizeDialog dialog(this);
    const QSize size = worldViewWidget->worldSize();
    dialog.setValues(size.width(), size.height());
    if (!dialog.exec())
        return;
    const int width = dialog.xSpinBox->value();
    const int height = dialog.ySpinBox->value();
    if (width < size.width() || height < size.height()) {
        const auto answer = QMessageBox::warning(
            this, tr("Map Resize"),
            tr("Resizing the map will cut off part of your map.\nAre you sure you want to resize?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
    }
    worldViewWidget->resizeWorld(width, height);
}

void MainWindow::setZoom10()
{
    selectZoom(Zoom10, zoom10Act);
}

void MainWindow::setZoom08()
{
    selectZoom(Zoom08, zoom08Act);
}

void MainWindow::setZoom06()
{
    selectZoom(Zoom06, zoom06Act);
}

void MainWindow::setZoom04()
{
    selectZoom(Zoom04, zoom04Act);
}

void MainWindow::setZoom02()
{
    selectZoom(Zoom02, zoom02Act);
}

void MainWindow::selectZoom(float zoom, QAction* action)
{
    worldViewWidget->setZoom(zoom);
    action->setChecked(true);
    resetZoomChecks();
}

void MainWindow::stepZoom(int steps, const QPoint& pixel)
{
    const int level = steppedZoomLevel(worldViewWidget->zoom(), steps);
    if (ZoomLevels[level] == worldViewWidget->zoom())
        return;
    const QPointF pointed = worldViewWidget->cellPosition(pixel);
    const QPoint inView = worldViewWidget->mapTo(worldScrollArea->viewport(), pixel);
    // The same path as the zoom entries, so that their check marks follow.
    QAction* const actions[] = { zoom10Act, zoom08Act, zoom06Act, zoom04Act, zoom02Act };
    selectZoom(ZoomLevels[level], actions[level]);
    // The scroll bars clamp what the scroll range does not allow.
    const QPoint moved = worldViewWidget->pixelOf(pointed) - inView;
    worldScrollArea->horizontalScrollBar()->setValue(moved.x());
    worldScrollArea->verticalScrollBar()->setValue(moved.y());
}

void MainWindow::resetZoomChecks()
{
    if (worldViewWidget->zoom() != Zoom10)
        zoom10Act->setChecked(false);
    if (worldViewWidget->zoom() != Zoom08)
        zoom08Act->setChecked(false);
    if (worldViewWidget->zoom() != Zoom06)
        zoom06Act->setChecked(false);
    if (worldViewWidget->zoom() != Zoom04)
        zoom04Act->setChecked(false);
    if (worldViewWidget->zoom() != Zoom02)
        zoom02Act->setChecked(false);
}

void MainWindow::updateUndoActions()
{
    UndoHistory& history = document->history();
    const auto named = [](const QString& action, const QString& step) {
        return step.isEmpty() ? action : action + QLatin1Char(' ') + step;
    };
    undoAct->setText(named(tr("&Undo"), history.undoText()));
    undoAct->setEnabled(history.canUndo());
    redoAct->setText(named(tr("&Redo"), history.redoText()));
    redoAct->setEnabled(history.canRedo());
}

void MainWindow::about()
{
    QMessageBox::about(
        this, tr("About Varnhold"),
        tr("<h3>Varnhold %1</h3>"
           "<p>An editor for the maps of two-dimensional, tile-based games.</p>"
           "<p>Load tile-set images, paint their tiles into the top and bottom layer of a map, "
           "mark the cells a character can pass, and save the map as a .map file for the game.</p>"
           "<p>The character's starting point is shown while you edit, but a .map file has no "
           "place for it: it is not saved.</p>")
            .arg(QStringLiteral(VARNHOLD_VERSION)));
}

// Saving and importing a set: the canvas's side of the map-file format.

#include "canvas/worldviewwidget.h"

#include "mapfile/fileio.h"
#include "mapfile/mapdata.h"
#include "mapfile/mapparser.h"
#include "mapfile/mapwriter.h"

#include <QApplication>
#include <QHash>
#include <QMessageBox>

namespace {

// Set index of each name: the first position that holds it.
class SetIndexLookup
{
public:
    explicit SetIndexLookup(const QStringList& names)
    {
        for (int i = names.size() - 1; i >= 0; --i)
            positions.insert(names[i], i);
    }

    int operator()(const QString& name)
    {
        if (name.isEmpty())
            return -1;
        // Neighbouring cells mostly come from the same set.
        if (name != lastName) {
            lastName = name;
            lastIndex = positions.value(name, -1);
        }
        return lastIndex;
    }

private:
    QHash<QString, int> positions;
    QString lastName;
    int lastIndex = -1;
};

} // namespace

QStringList WorldViewWidget::missingTileSets() const
{
    QStringList missing;
    QString lastChecked;
    for (const TileLayer* layer : {&topLayer, &bottomLayer}) {
        for (int y = 0; y < worldHeight; ++y) {
            for (int x = 0; x < worldWidth; ++x) {
                const Tile& cell = (*layer)[x][y];
                if (cell.isEmpty() || cell.tileSetFile.isEmpty() || cell.tileSetFile == lastChecked)
                    continue;
                lastChecked = cell.tileSetFile;
                if (tileSetIndex(cell.tileSetFile) < 0 && !missing.contains(cell.tileSetFile))
                    missing << cell.tileSetFile;
            }
        }
    }
    return missing;
}

bool WorldViewWidget::writeMapFile(QString file)
{
    const auto refuse = [this, &file](const QString& reason) {
        QMessageBox::warning(this, tr("Set Save"),
                             tr("Cannot write file %1").arg(file) + QLatin1Char('\n') + reason);
        return false;
    };

    MapData data;
    for (int slot = 0; slot < tileSetCount; ++slot)
        data.tileSetNames << tileSetFiles[slot];
    // Cells of a tile set whose image could not be loaded keep its name; it is
    // written after the loaded sets so that saving such a map loses nothing.
    const QStringList missing = missingTileSets();
    if (data.tileSetNames.size() + missing.size() > MaxTileSets) {
        return refuse(tr("The map uses %1 tile sets, %2 of them not loaded (%3); a map file holds at most %4.")
                          .arg(data.tileSetNames.size() + missing.size())
                          .arg(missing.size())
                          .arg(missing.join(QLatin1String(", ")))
                          .arg(MaxTileSets));
    }
    data.tileSetNames << missing;

    data.width = worldWidth;
    data.height = worldHeight;
    SetIndexLookup setIndex(data.tileSetNames);
    for (const TileLayer* layer : {&topLayer, &bottomLayer}) {
        std::vector<CellRecord>& records = layer == &topLayer ? data.top : data.bottom;
        records.resize(size_t(worldWidth) * size_t(worldHeight));
        for (int y = 0; y < worldHeight; ++y) {
            for (int x = 0; x < worldWidth; ++x) {
                const Tile& cell = (*layer)[x][y];
                records[size_t(y) * size_t(worldWidth) + size_t(x)] = {setIndex(cell.tileSetFile),
                                                                       cell.tileIndex, cell.pass};
            }
        }
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
    return true;
}

bool WorldViewWidget::readMapFile(QString file)
{
    // The whole file is read and checked before anything changes, so a bad
    // file never costs the user the map being edited.
    QByteArray bytes;
    QString reason;
    MapData data;
    if (!readRegularFile(file, &bytes, &reason) || !parseMapFile(bytes, &data, &reason)) {
        QMessageBox::information(this, tr("TileSet Load"),
                                 tr("File could not be loaded...") + QLatin1Char('\n') + reason,
                                 QMessageBox::Ok, QMessageBox::Ok);
        return false;
    }
    bytes.clear();

    QApplication::setOverrideCursor(Qt::WaitCursor);
    clearSet();

    // Each name is loaded through the palette, which hands the image back to
    // addTileSet() before the emission returns. A set that fails to load gets
    // no slot; its cells keep its name until an image of that name is added.
    std::vector<int> slotOfSet;
    for (const QString& name : std::as_const(data.tileSetNames)) {
        const int before = tileSetCount;
        emit tileSetAdded(name);
        slotOfSet.push_back(tileSetCount > before ? before : -1);
    }

    worldWidth = data.width;
    worldHeight = data.height;
    for (TileLayer* layer : {&topLayer, &bottomLayer}) {
        layer->reset(worldWidth, worldHeight);
        const std::vector<CellRecord>& records = layer == &topLayer ? data.top : data.bottom;
        for (int y = 0; y < worldHeight; ++y) {
            for (int x = 0; x < worldWidth; ++x) {
                const CellRecord& record = records[size_t(y) * size_t(worldWidth) + size_t(x)];
                Tile& cell = (*layer)[x][y];
                cell.pass = record.pass;
                if (record.setIndex < 0) {
                    // No tile set to draw from: the cell is stored empty.
                    continue;
                }
                const int slot = slotOfSet[size_t(record.setIndex)];
                cell.tileIndex = record.tileIndex;
                if (slot >= 0) {
                    cell.tileSetFile = tileSetFiles[slot];
                    cell.tileSet = &tileSets[slot];
                } else {
                    cell.tileSetFile = data.tileSetNames[record.setIndex];
                }
            }
        }
    }

    resize(sizeHint());
    update();
    updateGeometry();
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    return true;
}

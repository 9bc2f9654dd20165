#include "mapfile/mapconversion.h"

MapData mapDataOf(const WorldMap& map)
{
    MapData data;
    data.tileSetNames = map.tileSetNames();
    const QStringList missing = map.missingTileSets();
    data.tileSetNames << missing;

    // The set index of every slot, the first position that names it.
    std::vector<qint32> setIndex(map.slotCount(), -1);
    QHash<QString, qint32> firstPosition;
    for (int i = data.tileSetNames.size() - 1; i >= 0; --i)
        firstPosition.insert(data.tileSetNames[i], i);
    for (quint32 slot = 1; slot < map.slotCount(); ++slot)
        setIndex[slot] = firstPosition.value(map.slotName(slot), -1);

    data.width = map.width();
    data.height = map.height();
    const size_t cells = size_t(data.width) * size_t(data.height);
    for (Layer layer : { Layer::Top, Layer::Bottom }) {
        const CellGrid& grid = map.cells(layer);
        std::vector<CellRecord>& records = layer == Layer::Top ? data.top : data.bottom;
        records.resize(cells);
        for (int x = 0; x < data.width; ++x) {
            const Cell* column = grid.column(x);
            CellRecord* record = records.data() + x;
            for (int y = 0; y < data.height; ++y, record += data.width) {
                const Cell& cell = column[y];
                *record = { setIndex[cell.tileSet], cell.tileIndex, bool(cell.pass) };
            }
        }
    }
    return data;
}

MapContents mapContentsOf(const MapData& data, WorldMap& map, const QString& fileName)
{
    std::vector<quint32> slotOfSet;
    for (const QString& name : data.tileSetNames)
        slotOfSet.push_back(map.slotOf(name));

    MapContents contents;
    contents.size = QSize(data.width, data.height);
    contents.fileName = fileName;
    for (Layer layer : { Layer::Top, Layer::Bottom }) {
        CellGrid grid(data.width, data.height);
        const std::vector<CellRecord>& records = layer == Layer::Top ? data.top : data.bottom;
        for (int x = 0; x < data.width; ++x) {
            Cell* column = grid.column(x);
            const CellRecord* record = records.data() + x;
            for (int y = 0; y < data.height; ++y, record += data.width) {
                if (record->setIndex < 0)
                    column[y] = Cell(0, -1, record->pass);
                else
                    column[y] = Cell(slotOfSet[size_t(record->setIndex)], record->tileIndex, record->pass);
            }
        }
        (layer == Layer::Top ? contents.top : contents.bottom) = std::move(grid);
    }
    return contents;
}

#include "mapfile/mapconversion.h"

#include <QBuffer>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

// Tile indices of a cell that is not empty are 0 or more, nearly always
// below 1000: those are written without a call.
char* writeDecimal(char* out, qint32 value)
{
    if (value >= 0 && value < 10) {
        *out = char('0' + value);
        return out + 1;
    }
    if (value >= 0 && value < 100) {
        out[0] = char('0' + value / 10);
        out[1] = char('0' + value % 10);
        return out + 2;
    }
    if (value >= 0 && value < 1000) {
        out[0] = char('0' + value / 100);
        out[1] = char('0' + value / 10 % 10);
        out[2] = char('0' + value % 10);
        return out + 3;
    }
    return std::to_chars(out, out + 11, value).ptr;
}

// The set index of every slot of `map`: the first position of its name in
// `names`, or -1.
std::vector<qint32> setIndexOfSlots(const WorldMap& map, const QStringList& names)
{
    std::vector<qint32> setIndex(map.slotCount(), -1);
    QHash<QString, qint32> firstPosition;
    for (int i = names.size() - 1; i >= 0; --i)
        firstPosition.insert(names[i], i);
    for (quint32 slot = 1; slot < map.slotCount(); ++slot)
        setIndex[slot] = firstPosition.value(map.slotName(slot), -1);
    return setIndex;
}

} // namespace

QStringList mapFileNames(const WorldMap& map)
{
    return map.tileSetNames() + map.missingTileSets();
}

bool writeMapFile(const WorldMap& map, const QStringList& names, QIODevice* out)
{
    QByteArray header = QByteArray::number(names.size()) + '\n';
    for (const QString& name : names)
        header += name.toLatin1() + '\n';
    header += QByteArray::number(map.width()) + ' ' + QByteArray::number(map.height()) + '\n';
    if (out->write(header) != header.size())
        return false;

    // Each slot's set index as text, followed by its space: at most "-1 "
    // or "39 ".
    struct SetText
    {
        char text[4];
        int length;
    };
    const std::vector<qint32> setIndex = setIndexOfSlots(map, names);
    std::vector<SetText> setText(setIndex.size());
    for (size_t slot = 0; slot < setIndex.size(); ++slot) {
        SetText& set = setText[slot];
        set.length = int(std::to_chars(set.text, set.text + 3, setIndex[slot]).ptr - set.text);
        set.text[set.length++] = ' ';
    }

    // The records go out in pieces of a buffer that stays in the cache,
    // rather than into one large block of fresh memory.
    constexpr qsizetype pieceBytes = 64 * 1024;
    constexpr qsizetype longestRecord = 4 + 11 + 1 + 2;
    std::vector<char> piece(static_cast<size_t>(pieceBytes));
    char* const begin = piece.data();
    char* end = begin;
    // The file runs row by row, the cells column by column: a band of rows
    // is gathered at a time, reading each column's part in one go.
    const int width = map.width(), height = map.height();
    constexpr int bandRows = 32;
    std::vector<Cell> band(size_t(width) * bandRows);
    for (Layer layer : { Layer::Top, Layer::Bottom }) {
        const CellGrid& grid = map.cells(layer);
        for (int top = 0; top < height; top += bandRows) {
            const int rows = std::min(bandRows, height - top);
            for (int x = 0; x < width; ++x) {
                const Cell* column = grid.column(x) + top;
                for (int y = 0; y < rows; ++y)
                    band[size_t(y) * width + x] = column[y];
            }
            for (const Cell* cell = band.data(); cell != band.data() + size_t(rows) * width; ++cell) {
                if (end - begin > pieceBytes - longestRecord) {
                    if (out->write(begin, end - begin) != end - begin)
                        return false;
                    end = begin;
                }
                if (cell->isEmpty()) {
                    end = std::copy_n("-1 -1 ", 6, end);
                } else {
                    const SetText& set = setText[cell->tileSet];
                    // At most four characters: copied whole, then counted.
                    std::memcpy(end, set.text, sizeof set.text);
                    end += set.length;
                    end = writeDecimal(end, cell->tileIndex);
                    *end++ = ' ';
                }
                *end++ = cell->pass ? '1' : '0';
                *end++ = '\n';
            }
        }
    }
    return out->write(begin, end - begin) == end - begin;
}

QByteArray formatMapFile(const WorldMap& map, const QStringList& names)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    writeMapFile(map, names, &buffer);
    return bytes;
}

MapData mapDataOf(const WorldMap& map)
{
    MapData data;
    data.tileSetNames = mapFileNames(map);
    const std::vector<qint32> setIndex = setIndexOfSlots(map, data.tileSetNames);

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
                *record = { cell.isEmpty() ? -1 : setIndex[cell.tileSet], cell.tileIndex, bool(cell.pass) };
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
    contents.tileSets = data.tileSetNames;
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

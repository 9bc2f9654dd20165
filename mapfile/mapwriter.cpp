#include "mapfile/mapwriter.h"

#include "mapfile/mapparser.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>

namespace {

int decimalLength(qint32 value)
{
    // Nearly every number of a map is -1 or below 100: set indices, pass
    // flags and most tile indices.
    if (quint32(value) < 100)
        return 1 + (value >= 10);
    if (value == -1)
        return 2;
    int length = value < 0 ? 2 : 1;
    for (qint64 rest = qAbs(qint64(value)); rest >= 10; rest /= 10)
        ++length;
    return length;
}

qsizetype layerLength(const std::vector<CellRecord>& layer)
{
    qsizetype length = 0;
    for (const CellRecord& cell : layer)
        length += decimalLength(cell.setIndex) + decimalLength(cell.tileIndex) + 4;
    return length;
}

// The digits of 0 to 99, two bytes each; a number below 10 has its digit
// and a space, which the character written after it replaces.
constexpr std::array<char, 200> digitPairs = [] {
    std::array<char, 200> pairs {};
    for (int value = 0; value < 100; ++value) {
        pairs[size_t(2 * value)] = char(value < 10 ? '0' + value : '0' + value / 10);
        pairs[size_t(2 * value + 1)] = char(value < 10 ? ' ' : '0' + value % 10);
    }
    return pairs;
}();

// `out` has room for the value and for at least one character after it:
// layerLength() counted them. Short numbers, nearly all of them, are
// written without a branch on their length.
char* writeNumber(char* out, qint32 value)
{
    if (quint32(value) < 100) {
        std::memcpy(out, &digitPairs[size_t(2 * value)], 2);
        return out + 1 + (value >= 10);
    }
    constexpr int longest = 11; // "-2147483648"
    return std::to_chars(out, out + longest, value).ptr;
}

// Writes into a buffer sized beforehand, which is much cheaper than growing
// a QByteArray character by character.
char* writeLayer(char* out, const std::vector<CellRecord>& layer)
{
    for (const CellRecord& cell : layer) {
        out = writeNumber(out, cell.setIndex);
        *out++ = ' ';
        out = writeNumber(out, cell.tileIndex);
        *out++ = ' ';
        *out++ = cell.pass ? '1' : '0';
        *out++ = '\n';
    }
    return out;
}

QString layerProblem(const MapData& data, const std::vector<CellRecord>& layer, const char* name)
{
    if (layer.size() != size_t(data.width) * size_t(data.height))
        return QStringLiteral("the %1 layer holds %2 cells instead of %3 x %4")
            .arg(QLatin1String(name))
            .arg(layer.size())
            .arg(data.width)
            .arg(data.height);
    for (size_t i = 0; i < layer.size(); ++i) {
        const CellRecord& cell = layer[i];
        const bool setOk = cell.setIndex >= -1 && cell.setIndex < data.tileSetNames.size();
        if (!setOk || cell.tileIndex < -1)
            return QStringLiteral("cell (%1, %2) of the %3 layer holds set %4, tile %5")
                .arg(i % size_t(data.width))
                .arg(i / size_t(data.width))
                .arg(QLatin1String(name))
                .arg(cell.setIndex)
                .arg(cell.tileIndex);
    }
    return QString();
}

} // namespace

QByteArray formatMapFile(const MapData& data)
{
    QByteArray header = QByteArray::number(data.tileSetNames.size()) + '\n';
    for (const QString& name : data.tileSetNames)
        header += name.toLatin1() + '\n';
    header += QByteArray::number(data.width) + ' ' + QByteArray::number(data.height) + '\n';

    QByteArray out(header.size() + layerLength(data.top) + layerLength(data.bottom), Qt::Uninitialized);
    char* end = std::copy(header.cbegin(), header.cend(), out.data());
    end = writeLayer(end, data.top);
    end = writeLayer(end, data.bottom);
    Q_ASSERT(end == out.data() + out.size());
    return out;
}

QString tileSetNameProblem(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("the name is empty");
    for (const QChar c : name) {
        if (c.unicode() > 0xff)
            return QStringLiteral("the name holds a character outside Latin-1");
        if (isMapFileSeparator(char(c.unicode())))
            return QStringLiteral("the name holds white space");
    }
    return QString();
}

QString mapDataProblem(const MapData& data)
{
    if (data.tileSetNames.size() > MapData::MaxTileSets)
        return QStringLiteral("the map uses %1 tile sets, more than %2")
            .arg(data.tileSetNames.size())
            .arg(MapData::MaxTileSets);
    for (const QString& name : data.tileSetNames) {
        const QString problem = tileSetNameProblem(name);
        if (!problem.isEmpty())
            return QStringLiteral("tile set \"%1\": %2").arg(name, problem);
    }
    if (data.width < 1 || data.width > MapData::MaxSide || data.height < 1 || data.height > MapData::MaxSide)
        return QStringLiteral("the map size %1 x %2 is outside 1 to %3")
            .arg(data.width)
            .arg(data.height)
            .arg(MapData::MaxSide);
    QString problem = layerProblem(data, data.top, "top");
    if (problem.isEmpty())
        problem = layerProblem(data, data.bottom, "bottom");
    return problem;
}

#include "model/worldmap.h"

#include "model/tile.h"

#include <algorithm>
#include <climits>
#include <limits>

namespace {

// The bounding rectangle of the cells an edit changed.
class ChangedArea
{
public:
    void add(int x, int y)
    {
        left = std::min(left, x);
        top = std::min(top, y);
        right = std::max(right, x);
        bottom = std::max(bottom, y);
    }
    bool isEmpty() const { return left > right; }
    QRect rect() const { return QRect(QPoint(left, top), QPoint(right, bottom)); }

private:
    int left = INT_MAX;
    int top = INT_MAX;
    int right = INT_MIN;
    int bottom = INT_MIN;
};

} // namespace

WorldMap::WorldMap(int width, int height, QObject* parent)
    : QObject(parent)
    , top(width, height)
    , bottom(width, height)
    , setSlots(1)
{
}

WorldMap::~WorldMap() = default;

namespace {

bool isBlank(const CellGrid& grid)
{
    for (int x = 0; x < grid.width(); ++x) {
        const Cell* column = grid.column(x);
        if (!std::all_of(column, column + grid.height(), [](const Cell& cell) { return cell.isBlank(); }))
            return false;
    }
    return true;
}

} // namespace

bool WorldMap::isNew() const
{
    return loaded.empty() && file.isEmpty() && isBlank(top) && isBlank(bottom);
}

void WorldMap::setFileName(const QString& fileName)
{
    if (file == fileName)
        return;
    file = fileName;
    emit fileNameChanged(file);
}

QString WorldMap::tileSetName(int k) const
{
    return k >= 0 && k < tileSetCount() ? setSlots[loaded[size_t(k)]].name : QString();
}

const QPixmap* WorldMap::tileSetImage(int k) const
{
    return k >= 0 && k < tileSetCount() ? &setSlots[loaded[size_t(k)]].image : &setSlots[0].image;
}

const QPixmap* WorldMap::drawnImage(int k) const
{
    return k >= 0 && k < tileSetCount() ? &setSlots[loaded[size_t(k)]].drawn : &setSlots[0].drawn;
}

QString WorldMap::tileSetFile(int k) const
{
    return k >= 0 && k < tileSetCount() ? setSlots[loaded[size_t(k)]].file : QString();
}

int WorldMap::tileSetIndex(const QString& name) const
{
    const quint32 slot = slotByName.value(name, 0);
    if (slot == 0)
        return -1;
    const auto found = std::find(loaded.begin(), loaded.end(), slot);
    return found == loaded.end() ? -1 : int(found - loaded.begin());
}

QStringList WorldMap::tileSetNames() const
{
    QStringList names;
    for (quint32 slot : loaded)
        names << setSlots[slot].name;
    return names;
}

bool WorldMap::usesUnloadedSet() const
{
    std::vector<bool> unloaded(setSlots.size());
    for (size_t slot = 1; slot < setSlots.size(); ++slot)
        unloaded[slot] = setSlots[slot].drawn.isNull();
    for (const CellGrid* layer : { &top, &bottom }) {
        for (int x = 0; x < layer->width(); ++x) {
            const Cell* column = layer->column(x);
            for (int y = 0; y < layer->height(); ++y) {
                if (unloaded[column[y].tileSet] && !column[y].isEmpty())
                    return true;
            }
        }
    }
    return false;
}

QStringList WorldMap::missingTileSets() const
{
    // Nearly always none: a quick look spares the scan in file order.
    QStringList missing;
    if (!usesUnloadedSet())
        return missing;
    std::vector<bool> listed(setSlots.size());
    for (const CellGrid* layer : { &top, &bottom }) {
        for (int y = 0; y < layer->height(); ++y) {
            for (int x = 0; x < layer->width(); ++x) {
                const Cell& cell = layer->at(x, y);
                const quint32 slot = cell.tileSet;
                if (slot != 0 && !cell.isEmpty() && !listed[slot] && setSlots[slot].drawn.isNull()) {
                    listed[slot] = true;
                    missing << setSlots[slot].name;
                }
            }
        }
    }
    return missing;
}

bool WorldMap::usesTileSet(const QString& name) const
{
    const quint32 slot = slotByName.value(name, 0);
    if (slot == 0)
        return false;
    for (const CellGrid* layer : { &top, &bottom }) {
        for (int x = 0; x < layer->width(); ++x) {
            const Cell* column = layer->column(x);
            if (std::any_of(column, column + layer->height(),
                            [slot](const Cell& cell) { return cell.tileSet == slot && !cell.isEmpty(); }))
                return true;
        }
    }
    return false;
}

void WorldMap::addTileSet(const QString& name, const QPixmap& drawn, const QPixmap& image, const QString& file)
{
    if (tileSetCount() >= MaxTileSets)
        return;
    const quint32 slot = slotOf(name);
    setSlots[slot].drawn = drawn;
    setSlots[slot].image = image.isNull() ? drawn : image;
    setSlots[slot].file = file;
    loaded.push_back(slot);
    emit tileSetsChanged();
}

void WorldMap::replaceTileSetImages(const LoadedTileSet& set)
{
    bool replaced = false;
    for (quint32 slot : loaded) {
        Slot& entry = setSlots[slot];
        if (entry.file != set.file || set.file.isEmpty())
            continue;
        entry.image = set.image;
        entry.drawn = set.drawn;
        replaced = true;
    }
    if (replaced)
        emit tileSetsChanged();
}

void WorldMap::renameTileSet(const QString& name, const QString& newName)
{
    const quint32 slot = slotByName.value(name, 0);
    if (slot == 0 || newName.isEmpty() || name == newName)
        return;
    slotByName.remove(name);
    slotByName.insert(newName, slot);
    setSlots[slot].name = newName;
    emit tileSetsChanged();
}

void WorldMap::clearTileSets()
{
    if (loaded.empty())
        return;
    for (Slot& slot : setSlots) {
        slot.image = QPixmap();
        slot.drawn = QPixmap();
    }
    loaded.clear();
    emit tileSetsChanged();
    setShownTileSet(-1);
}

void WorldMap::setShownTileSet(int k)
{
    if (k < -1 || k >= tileSetCount() || k == shown)
        return;
    shown = k;
    emit shownTileSetChanged(shown);
}

quint32 WorldMap::slotOf(const QString& name)
{
    if (name.isEmpty())
        return 0;
    const auto found = slotByName.constFind(name);
    if (found != slotByName.constEnd())
        return *found;
    const auto slot = quint32(setSlots.size());
    setSlots.push_back({ name, QPixmap(), QPixmap(), QString() });
    slotByName.insert(name, slot);
    return slot;
}

Tile WorldMap::tile(const Cell& cell) const
{
    if (cell.isEmpty())
        return Tile(QStringLiteral(""), nullptr, -1, cell.pass);
    const Slot& slot = setSlots[cell.tileSet];
    // A Tile points at an image it does not own and never changes it.
    auto* image = slot.drawn.isNull() ? nullptr : const_cast<QPixmap*>(&slot.drawn);
    return Tile(slot.name, image, cell.tileIndex, cell.pass);
}

Tile WorldMap::tile(Layer layer, int x, int y) const
{
    return tile(cells(layer).at(x, y));
}

Cell WorldMap::cellOf(const Tile& tile)
{
    return tile.isEmpty() ? Cell(0, -1, tile.pass)
                          : Cell(slotOf(tile.tileSetFile), tile.tileIndex, tile.pass);
}

bool WorldMap::write(Layer layer, int x, int y, const Cell& value, CellPatch* record)
{
    CellGrid& cells = grid(layer);
    const quint32 index = cells.indexOf(x, y);
    Cell& cell = cells.at(index);
    if (cell == value)
        return false;
    record->record(CellPatch::place(layer, index), cell, x, y);
    cell = value;
    return true;
}

void WorldMap::fill(Layer layer, const QRect& area, const Cell& value, CellPatch* record)
{
    const QRect inside = area & top.bounds();
    ChangedArea changed;
    for (int x = inside.left(); x <= inside.right(); ++x) {
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            if (write(layer, x, y, value, record))
                changed.add(x, y);
        }
    }
    if (!changed.isEmpty())
        emit cellsChanged(changed.rect());
}

void WorldMap::fill(Layer layer, const std::vector<QPoint>& places, const Cell& value, CellPatch* record)
{
    record->reserve(qint64(places.size()));
    ChangedArea changed;
    for (const QPoint& cell : places) {
        if (top.contains(cell) && write(layer, cell.x(), cell.y(), value, record))
            changed.add(cell.x(), cell.y());
    }
    if (!changed.isEmpty())
        emit cellsChanged(changed.rect());
}

void WorldMap::fill(Layer layer, const QRect& area, const CellValue& valueAt, CellPatch* record,
                    const QPoint& order)
{
    const QRect inside = area & top.bounds();
    ChangedArea changed;
    Cell value;
    const int xStep = order.x() < 0 ? -1 : 1;
    const int yStep = order.y() < 0 ? -1 : 1;
    for (int i = 0; i < inside.width(); ++i) {
        const int x = xStep > 0 ? inside.left() + i : inside.right() - i;
        for (int j = 0; j < inside.height(); ++j) {
            const int y = yStep > 0 ? inside.top() + j : inside.bottom() - j;
            if (valueAt(QPoint(x, y), &value) && write(layer, x, y, value, record))
                changed.add(x, y);
        }
    }
    if (!changed.isEmpty())
        emit cellsChanged(changed.rect());
}

void WorldMap::fill(Layer layer, const std::vector<QPoint>& places, const CellValue& valueAt,
                    CellPatch* record)
{
    record->reserve(qint64(places.size()));
    ChangedArea changed;
    Cell value;
    for (const QPoint& cell : places) {
        if (top.contains(cell) && valueAt(cell, &value) && write(layer, cell.x(), cell.y(), value, record))
            changed.add(cell.x(), cell.y());
    }
    if (!changed.isEmpty())
        emit cellsChanged(changed.rect());
}

void WorldMap::setPass(const QRect& area, bool pass, CellPatch* record)
{
    const QRect inside = area & top.bounds();
    ChangedArea changed;
    for (int x = inside.left(); x <= inside.right(); ++x) {
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            Cell value = top.at(x, y);
            value.pass = pass;
            if (write(Layer::Top, x, y, value, record))
                changed.add(x, y);
        }
    }
    if (!changed.isEmpty())
        emit cellsChanged(changed.rect());
}

void WorldMap::paste(Layer layer, const QPoint& at, const CellGrid& block, CellPatch* record)
{
    const QRect inside = QRect(at, block.size()) & top.bounds();
    ChangedArea changed;
    for (int x = inside.left(); x <= inside.right(); ++x) {
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            if (write(layer, x, y, block.at(x - at.x(), y - at.y()), record))
                changed.add(x, y);
        }
    }
    if (!changed.isEmpty())
        emit cellsChanged(changed.rect());
}

void WorldMap::renumberTiles(const QString& name, int fromColumns, int toColumns, CellPatch* record)
{
    const quint32 slot = slotByName.value(name, 0);
    if (slot == 0 || fromColumns <= 0 || toColumns < 0 || fromColumns == toColumns)
        return;
    ChangedArea changed;
    for (Layer layer : { Layer::Top, Layer::Bottom }) {
        const CellGrid& cells = grid(layer);
        for (int x = 0; x < cells.width(); ++x) {
            for (int y = 0; y < cells.height(); ++y) {
                const Cell cell = cells.at(x, y);
                if (cell.tileSet != slot || cell.tileIndex < 0)
                    continue;
                const qint32 index = renumberedTile(cell.tileIndex, fromColumns, toColumns);
                const Cell renumbered = index >= 0 ? Cell(slot, index, cell.pass) : Cell(0, -1, cell.pass);
                if (write(layer, x, y, renumbered, record))
                    changed.add(x, y);
            }
        }
    }
    if (!changed.isEmpty())
        emit cellsChanged(changed.rect());
}

qint32 WorldMap::renumberedTile(qint32 index, int fromColumns, int toColumns)
{
    const int column = index % fromColumns;
    if (column >= toColumns)
        return -1;
    const qint64 renumbered = column + qint64(index / fromColumns) * toColumns;
    return renumbered <= std::numeric_limits<qint32>::max() ? qint32(renumbered) : index;
}

void WorldMap::swap(CellPatch& patch, bool undo)
{
    std::vector<CellPatch::Entry>& entries = patch.list();
    const auto exchange = [this](CellPatch::Entry& entry) {
        CellGrid& cells = grid(CellPatch::layerOf(entry.place));
        std::swap(cells.at(CellPatch::indexOf(entry.place)), entry.cell);
    };
    if (undo)
        std::for_each(entries.rbegin(), entries.rend(), exchange);
    else
        std::for_each(entries.begin(), entries.end(), exchange);
    if (!patch.isEmpty())
        emit cellsChanged(patch.bounds());
}

void WorldMap::setStartPoint(const QPoint& cell)
{
    if (start == cell)
        return;
    const QPoint before = start;
    start = cell;
    emit startPointChanged(before, start);
}

void WorldMap::resize(const QSize& size, CellPatch* cut)
{
    if (size == top.size())
        return;
    const QRect kept = top.bounds() & QRect(QPoint(0, 0), size);
    for (Layer layer : { Layer::Top, Layer::Bottom }) {
        CellGrid& old = grid(layer);
        CellGrid resized(size.width(), size.height());
        for (int x = 0; x < old.width(); ++x) {
            const Cell* column = old.column(x);
            for (int y = 0; y < old.height(); ++y) {
                if (kept.contains(x, y))
                    resized.at(x, y) = column[y];
                else if (!column[y].isBlank())
                    cut->record(CellPatch::place(layer, old.indexOf(x, y)), column[y], x, y);
            }
        }
        old = std::move(resized);
    }
    emit sizeChanged();
    emit cellsChanged(top.bounds());
}

void WorldMap::swapContents(MapContents* other)
{
    const QSize sizeBefore = top.size();
    // A blank layer is stored as nothing, which for a new set on a large map
    // is most of what the step would hold.
    const auto exchange = [&](CellGrid& mine, CellGrid& theirs) {
        CellGrid incoming = theirs.isEmpty() ? CellGrid(other->size.width(), other->size.height())
                                             : std::move(theirs);
        theirs = isBlank(mine) ? CellGrid() : std::move(mine);
        mine = std::move(incoming);
    };
    exchange(top, other->top);
    exchange(bottom, other->bottom);
    other->size = sizeBefore;

    std::vector<LoadedTileSet> incoming = std::move(other->tileSets);
    other->tileSets.clear();
    for (quint32 slot : loaded)
        other->tileSets.push_back(
            { setSlots[slot].name, setSlots[slot].image, setSlots[slot].drawn, setSlots[slot].file });
    for (Slot& slot : setSlots) {
        slot.image = QPixmap();
        slot.drawn = QPixmap();
    }
    loaded.clear();
    for (const LoadedTileSet& set : incoming) {
        if (tileSetCount() >= MaxTileSets)
            break;
        const quint32 slot = slotOf(set.name);
        setSlots[slot].image = set.image;
        setSlots[slot].drawn = set.drawn;
        setSlots[slot].file = set.file;
        loaded.push_back(slot);
    }
    emit tileSetsChanged();
    const int shownBefore = shown;
    shown = -1;
    setShownTileSet(other->shownTileSet >= 0 ? other->shownTileSet : tileSetCount() - 1);
    other->shownTileSet = shownBefore;
    if (shown < 0)
        emit shownTileSetChanged(-1);

    const QString fileBefore = file;
    setFileName(other->fileName);
    other->fileName = fileBefore;

    if (top.size() != sizeBefore)
        emit sizeChanged();
    emit cellsChanged(top.bounds());
}

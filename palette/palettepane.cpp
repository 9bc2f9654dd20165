#include "palette/palettepane.h"

#include <QComboBox>
#include <QEvent>
#include <QHash>
#include <QResizeEvent>

QStringList tileSetLabels(const QStringList& names)
{
    QStringList labels;
    QHash<QString, int> copies;
    for (const QString& name : names) {
        const int copy = ++copies[name];
        labels << (copy == 1 ? name : QStringLiteral("%1 (%2)").arg(name).arg(copy));
    }
    return labels;
}

PalettePane::PalettePane(QWidget* parent)
    : QScrollArea(parent)
    , setChooser(new QComboBox(this))
{
    setChooser->setPlaceholderText(tr("No tile set loaded"));
    // Long names must not widen the pane; the list shows them whole.
    setChooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setChooser->setMinimumContentsLength(8);
    setChooser->setEnabled(false);
    setViewportMargins(0, setChooser->sizeHint().height(), 0, 0);
    connect(setChooser, &QComboBox::activated, this, &PalettePane::choose);
}

void PalettePane::choose(int index)
{
    if (index < loadedCount) {
        emit tileSetChosen(index);
        return;
    }
    // Locating is a question, not a set to show: the list goes back to the
    // set shown.
    setChooser->setCurrentIndex(shownSlot);
    emit locateRequested(missing.value(index - loadedCount));
}

void PalettePane::listTileSets(const QStringList& names)
{
    // A load adds one entry and keeps the others; only what differs is
    // rebuilt, so that an import of many sets stays quick.
    const QStringList labels = tileSetLabels(names);
    int kept = 0;
    while (kept < labels.size() && kept < loadedCount && setChooser->itemText(kept) == labels[kept])
        ++kept;
    while (setChooser->count() > kept)
        setChooser->removeItem(setChooser->count() - 1);
    for (int slot = kept; slot < labels.size(); ++slot) {
        setChooser->addItem(labels[slot]);
        setChooser->setItemData(slot, names[slot], Qt::ToolTipRole);
    }
    loadedCount = int(labels.size());
    listMissing();
}

void PalettePane::listMissingTileSets(const QStringList& names)
{
    missing = names;
    while (setChooser->count() > loadedCount)
        setChooser->removeItem(setChooser->count() - 1);
    listMissing();
}

void PalettePane::listMissing()
{
    for (const QString& name : std::as_const(missing)) {
        setChooser->addItem(tr("Locate %1...").arg(name));
        setChooser->setItemData(setChooser->count() - 1, tr("%1 is not loaded: choose its file").arg(name),
                                Qt::ToolTipRole);
    }
    setChooser->setEnabled(setChooser->count() > 0);
}

void PalettePane::showTileSet(int slot)
{
    shownSlot = slot;
    setChooser->setCurrentIndex(slot);
}

void PalettePane::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    placeChooser();
}

bool PalettePane::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Resize)
        placeChooser();
    return QScrollArea::viewportEvent(event);
}

void PalettePane::placeChooser()
{
    const QRect area = viewport()->geometry();
    const int height = setChooser->sizeHint().height();
    setChooser->setGeometry(area.left(), area.top() - height, area.width(), height);
}

#pragma once

#include <QScrollArea>
#include <QStringList>

class QComboBox;
class QEvent;
class QResizeEvent;

// The chooser's entry for each set of `names`, in order: its name, and from
// the second copy of a set loaded more than once on, the copy's number.
QStringList tileSetLabels(const QStringList& names);

// The scroll area of the palette, with a drop-down list of the loaded tile
// sets above it, in the area's top margin: choosing a set asks for it to be
// shown. After the loaded sets the list offers to locate each set that the
// map's cells name but that is not loaded. The palette itself is the area's
// widget.
class PalettePane : public QScrollArea
{
    Q_OBJECT

public:
    explicit PalettePane(QWidget* parent = nullptr);

    QComboBox* chooser() const { return setChooser; }

public slots:
    // The loaded sets, by name in slot order.
    void listTileSets(const QStringList& names);
    // The sets the map's cells name that are not loaded, by name.
    void listMissingTileSets(const QStringList& names);
    // Marks the set of this slot as the one shown; -1 for none.
    void showTileSet(int slot);

signals:
    // The user chose the set of this slot.
    void tileSetChosen(int slot);
    // The user asked to locate the file of the missing set `name`.
    void locateRequested(const QString& name);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // Over the viewport's width: a vertical scroll bar runs beside it.
    void placeChooser();
    void choose(int index);
    // Lists `missing` after the loaded sets.
    void listMissing();

    QComboBox* setChooser;
    int loadedCount = 0;
    int shownSlot = -1;
    QStringList missing;
};

// Copy, cut and paste on the current layer. None of them touches the selection.

#include "canvas/worldviewwidget.h"

void WorldViewWidget::copy()
{
    clipboard.copy(map().cells(currentLayer()), selectionRect, currentCell);
}

void WorldViewWidget::cut()
{
    const QRect copied = clipboard.copy(map().cells(currentLayer()), selectionRect, currentCell);
    if (copied.isEmpty())
        return;
    const Layer layer = currentLayer();
    doc->editCells(tr("Cut"), [layer, copied](WorldMap& map, CellPatch* record) {
        map.fill(layer, copied, Cell(), record);
    });
}

void WorldViewWidget::paste()
{
    if (clipboard.isEmpty())
        return;
    const Layer layer = currentLayer();
    const QPoint at = currentCell;
    // The edit runs at once, while the clipboard holds what it pastes.
    doc->editCells(tr("Paste"), [this, layer, at](WorldMap& map, CellPatch* record) {
        map.paste(layer, at, clipboard.cells(), record);
    });
}

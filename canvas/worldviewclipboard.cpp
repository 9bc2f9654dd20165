// Copy, cut and paste on the current layer. None of them touches the selection.

#include "canvas/worldviewwidget.h"

void WorldViewWidget::copy()
{
    clipboard.copy(currentLayer(), selectionRect, currentCell);
}

void WorldViewWidget::cut()
{
    const QRect copied = clipboard.copy(currentLayer(), selectionRect, currentCell);
    if (copied.isEmpty())
        return;
    TileLayer& layer = currentLayer();
    for (int x = copied.left(); x <= copied.right(); ++x) {
        for (int y = copied.top(); y <= copied.bottom(); ++y)
            layer[x][y].clear();
    }
    cellsChanged(copied);
}

void WorldViewWidget::paste()
{
    const QRect written = clipboard.paste(currentLayer(), currentCell);
    if (!written.isEmpty())
        cellsChanged(written);
}

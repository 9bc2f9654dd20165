#include "app/mapstatus.h"

#include <QCoreApplication>
#include <QStringList>

QString mapStatusText(const std::optional<QPoint>& pointerCell, bool topLayer, const QSize& mapSize,
                      const BrushStatus& brush)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("MainWindow", text); };
    QStringList parts;
    if (pointerCell)
        parts << tr("x %1, y %2").arg(pointerCell->x()).arg(pointerCell->y());
    parts << (topLayer ? tr("top layer") : tr("bottom layer"));
    parts << tr("%1 x %2").arg(mapSize.width()).arg(mapSize.height());
    const QString sets = brush.tileSets == 1 ? brush.tileSet : tr("%1 tile sets").arg(brush.tileSets);
    QString text;
    if (brush.tileSets == 0)
        text = tr("no brush");
    else if (brush.size == QSize(1, 1))
        text = tr("brush: tile %1 of %2").arg(brush.tileIndex).arg(sets);
    else
        text = tr("brush: %1 x %2 tiles of %3").arg(brush.size.width()).arg(brush.size.height()).arg(sets);
    parts << (brush.random ? text + tr(", random") : text);
    return parts.join(QLatin1String(" | "));
}

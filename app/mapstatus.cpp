#include "app/mapstatus.h"

#include <QCoreApplication>
#include <QStringList>

QString mapStatusText(const std::optional<QPoint>& pointerCell, bool topLayer, const QSize& mapSize,
                      const QString& brushFile, int brushIndex)
{
    const auto tr = [](const char* text) { return QCoreApplication::translate("MainWindow", text); };
    QStringList parts;
    if (pointerCell)
        parts << tr("x %1, y %2").arg(pointerCell->x()).arg(pointerCell->y());
    parts << (topLayer ? tr("top layer") : tr("bottom layer"));
    parts << tr("%1 x %2").arg(mapSize.width()).arg(mapSize.height());
    parts << (brushIndex < 0 ? tr("no brush") : tr("brush: tile %1 of %2").arg(brushIndex).arg(brushFile));
    return parts.join(QLatin1String(" | "));
}

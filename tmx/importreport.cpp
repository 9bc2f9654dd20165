#include "tmx/importreport.h"

#include <QStringList>

namespace {

QString counted(qint64 count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? one : many));
}

} // namespace

QString importReport(const ImportSummary& summary)
{
    QString report = QStringLiteral("Imported %1: %2 x %3, %4 into 2, ")
                         .arg(summary.tmxName, QString::number(summary.size.width()),
                              QString::number(summary.size.height()),
                              counted(summary.tileLayers, "tile layer", "tile layers"));
    if (summary.convertedTiles > 0)
        report += QStringLiteral("%1 in %2")
                      .arg(counted(summary.convertedTiles, "tile", "tiles"), summary.imageName);
    else if (summary.convertedTiles < 0)
        report += QStringLiteral("%1 kept").arg(counted(summary.keptTileSets, "tile set", "tile sets"));
    else
        report += QStringLiteral("no tiles");

    QStringList leftOut;
    if (summary.objectLayers > 0)
        leftOut << counted(summary.objectLayers, "object layer", "object layers");
    if (summary.imageLayers > 0)
        leftOut << counted(summary.imageLayers, "image layer", "image layers");
    if (summary.hiddenLayers > 0)
        leftOut << counted(summary.hiddenLayers, "hidden layer", "hidden layers");
    if (summary.unknownTiles > 0)
        leftOut << counted(summary.unknownTiles, "unknown tile", "unknown tiles");
    if (!leftOut.isEmpty())
        report += QStringLiteral("; left out: ") + leftOut.join(QStringLiteral(", "));
    return report;
}

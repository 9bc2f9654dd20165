#include "benchfigure.h"

#include <QTextStream>

namespace {

// Below this floor, in milliseconds, no ratio is shown.
constexpr double SmallestFloorWithRatio = 0.01;

QString number(double value)
{
    return QString::number(value, 'f', value < 0.01 ? 5 : value < 10 ? 3 : 1);
}

QString ratioText(const Figure& figure)
{
    if (figure.unit == QLatin1String("ms") && figure.floor < SmallestFloorWithRatio)
        return QStringLiteral("-");
    return number(figure.median / figure.floor);
}

} // namespace

QByteArray figureLine(const Figure& figure)
{
    const QStringList fields { figure.name,           figure.title,
                               number(figure.median), figure.unit,
                               number(figure.floor),  QString::number(figure.goal),
                               QString::number(figure.goalRatio) };
    return fields.join(QLatin1Char('\t')).toUtf8();
}

std::optional<Figure> figureFromLine(const QByteArray& line)
{
    const QStringList fields = QString::fromUtf8(line).split(QLatin1Char('\t'));
    if (fields.size() != 7)
        return std::nullopt;
    return Figure { fields[0], fields[1], fields[2].toDouble(), fields[3],
                    fields[4].toDouble(), fields[5].toDouble(), fields[6].toDouble() };
}

void printTable(const QList<Figure>& figures, int mapSide)
{
    QTextStream out(stdout);
    out << QStringLiteral(
               "Varnhold on a %1 x %1 map, both layers full; medians, floor measured in the same run\n\n")
               .arg(mapSide);
    out << QStringLiteral("%1  %2  %3  %4  %5\n")
               .arg(QStringLiteral("figure"), -80)
               .arg(QStringLiteral("median"), 11)
               .arg(QStringLiteral("floor"), 11)
               .arg(QStringLiteral("ratio"), 7)
               .arg(QStringLiteral("goal"), 24);
    for (const Figure& figure : figures) {
        QStringList goals;
        if (figure.goal > 0)
            goals << QStringLiteral("<= %1 %2").arg(number(figure.goal), figure.unit);
        if (figure.goalRatio > 0)
            goals << QStringLiteral("ratio <= %1").arg(figure.goalRatio);
        const QString goal = goals.join(QStringLiteral(", "));
        const bool met = (figure.goal <= 0 || figure.median <= figure.goal)
            && (figure.goalRatio <= 0 || figure.median <= figure.goalRatio * figure.floor);
        const QString verdict = goals.isEmpty() ? QString() : met ? QStringLiteral("  met") : QStringLiteral("  MISSED");
        out << QStringLiteral("%1  %2  %3  %4  %5%6\n")
                   .arg(figure.title, -80)
                   .arg(number(figure.median) + QLatin1Char(' ') + figure.unit, 11)
                   .arg(number(figure.floor) + QLatin1Char(' ') + figure.unit, 11)
                   .arg(ratioText(figure), 7)
                   .arg(goal, 24)
                   .arg(verdict);
    }
}

void printTsv(const QList<Figure>& figures)
{
    QTextStream out(stdout);
    for (const Figure& figure : figures) {
        out << figure.name << '\t' << number(figure.median) << '\t' << figure.unit << '\t'
            << number(figure.floor) << '\t' << ratioText(figure) << '\n';
    }
}

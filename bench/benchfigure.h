#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// One figure of the benchmark: the median of its runs beside the floor
// measured in the same run, and its goals.
struct Figure
{
    QString name;
    QString title;
    double median = 0;
    QString unit;
    double floor = 0;
    double goal = 0; // 0: none
    double goalRatio = 0; // the most median / floor may be; 0: none
};

// A figure as one line of text, for a figure measured in a process of its
// own, and back.
QByteArray figureLine(const Figure& figure);
std::optional<Figure> figureFromLine(const QByteArray& line);

// The figures as a table with the goals met or missed, or one
// tab-separated line each: name, median, unit, floor, ratio. A floor of a
// few microseconds, as of edits that repaint a cell or two, makes the ratio
// tell nothing: it is left out.
void printTable(const QList<Figure>& figures, int mapSide);
void printTsv(const QList<Figure>& figures);

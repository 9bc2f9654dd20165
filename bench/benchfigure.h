#pragma once

#include <QString>

// One figure of the benchmark: the median of its runs, the floor it is
// compared with (what the least possible work costs on this machine), and
// its goal.
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

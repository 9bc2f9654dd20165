#include "model/cellline.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

// Moves the end that lies below zero in one coordinate onto zero, along the
// segment; false when both ends do.
bool clipBelowZero(double& fromValue, double& toValue, double& fromOther, double& toOther)
{
    if (fromValue < 0 && toValue < 0)
        return false;
    if (fromValue < 0 || toValue < 0) {
        const double t = (0 - fromValue) / (toValue - fromValue);
        const double crossing = fromOther + t * (toOther - fromOther);
        if (fromValue < 0) {
            fromValue = 0;
            fromOther = crossing;
        } else {
            toValue = 0;
            toOther = crossing;
        }
    }
    return true;
}

} // namespace

std::vector<QPoint> cellsOnSegment(QPointF from, QPointF to)
{
    double fx = from.x(), fy = from.y(), tx = to.x(), ty = to.y();
    if (!clipBelowZero(fx, tx, fy, ty) || !clipBelowZero(fy, ty, fx, tx) || fx < 0 || fy < 0 || tx < 0
        || ty < 0)
        return {};

    // A walk from cell to cell, always across the nearer of the next column
    // and row boundaries along the segment.
    QPoint cell { int(fx), int(fy) };
    const QPoint last { int(tx), int(ty) };
    const double dx = tx - fx, dy = ty - fy;
    const int stepX = dx > 0 ? 1 : -1, stepY = dy > 0 ? 1 : -1;
    constexpr double never = std::numeric_limits<double>::infinity();
    double nextX = dx != 0 ? ((stepX > 0 ? cell.x() + 1 : cell.x()) - fx) / dx : never;
    double nextY = dy != 0 ? ((stepY > 0 ? cell.y() + 1 : cell.y()) - fy) / dy : never;
    const double acrossX = dx != 0 ? std::abs(1 / dx) : never;
    const double acrossY = dy != 0 ? std::abs(1 / dy) : never;

    std::vector<QPoint> cells { cell };
    // Each step brings one coordinate closer to the last cell; rounding can
    // never make the walk longer than that.
    const int steps = std::abs(last.x() - cell.x()) + std::abs(last.y() - cell.y());
    for (int i = 0; i < steps && cell != last; ++i) {
        if (cell.x() != last.x() && (nextX < nextY || cell.y() == last.y())) {
            cell.rx() += stepX;
            nextX += acrossX;
        } else if (cell.y() != last.y() && (nextY < nextX || cell.x() == last.x())) {
            cell.ry() += stepY;
            nextY += acrossY;
        } else {
            cell += QPoint(stepX, stepY);
            nextX += acrossX;
            nextY += acrossY;
            ++i;
        }
        cells.push_back(cell);
    }
    return cells;
}

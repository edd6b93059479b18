#include "chart/chartlines.h"

#include <QtGlobal>

QVector<QLine> chartPolylineSegments(const QVector<QPoint>& points)
{
    QVector<QLine> lines;
    const int n = int(points.size());
    if (n < 2)
        return lines;
    lines.reserve(n - 1);
    int k = 0;
    while (k + 1 < n) {
        const QPoint& from = points.at(k);
        if (points.at(k + 1).x() != from.x()) {
            lines.append(QLine(from, points.at(k + 1)));
            ++k;
            continue;
        }
        // The chain's segments join end to start, so together they cover
        // every pixel of the column between its lowest and highest point.
        int top = from.y();
        int bottom = from.y();
        while (k + 1 < n && points.at(k + 1).x() == from.x()) {
            ++k;
            top = qMin(top, points.at(k).y());
            bottom = qMax(bottom, points.at(k).y());
        }
        lines.append(QLine(from.x(), top, from.x(), bottom));
    }
    return lines;
}

#include "chart/chartlines.h"

#include "chart/chartseries.h"

QVector<QLine> chartPolylineSegments(const QVector<QPoint>& points)
{
    ChartPolylineReducer reducer;
    for (const QPoint& point : points)
        reducer.add(point.x(), point.y());
    reducer.finish();
    return QVector<QLine>(reducer.lines().begin(), reducer.lines().end());
}

// The embedded chart object "Object <side>/content.xml" of the ODS export: a
// scatter chart of the side's data sheet columns N, O, F, G, J, H against D.
#pragma once

#include "files/exportcommon.h"

#include <QString>
#include <QTextStream>

// Writes the whole document for side "A" or "B" of the data sheet that
// holds records (any other letter writes nothing). False once the stream
// has reported a write error.
bool writeChartObject(QTextStream& stream, const QString& side, const SideRecords& records);

// The x-axis bounds: the largest and smallest fillings of the side's records.
struct ChartBounds {
    int firstRow = 9;
    int lastRow = 8;
    qint64 xMaximum = 0;
    qint64 xMinimum = 0;
};
ChartBounds chartBounds(const SideRecords& data);

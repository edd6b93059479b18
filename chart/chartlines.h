// Line segments for the chart's polylines. A full side holds up to 65535
// records on a plot about a thousand pixels wide, so dozens of consecutive
// segments fall into one pixel column; drawn one by one they cost most of a
// drawing's time and paint the same pixels over and over.
#pragma once

#include <QLine>
#include <QPoint>
#include <QVector>

// The segments from each point to the next, with every run of consecutive
// points in one column given as one vertical segment over the run's whole
// height (ChartPolylineReducer): a solid one-pixel pen paints exactly the
// same pixels either way.
QVector<QLine> chartPolylineSegments(const QVector<QPoint>& points);

// The chart picture painted onto any painter: the chart page paints it into
// its pixmap, the visit report onto a PDF page. The coordinates are those of
// the page's picture (plot at x 40, legend and info line at the bottom);
// a painter with a transformation places and scales it.
#pragma once

#include "chart/chartaxis.h"
#include "chart/chartmode.h"
#include "chart/chartorder.h"
#include "chart/chartseries.h"
#include "model/kelmorafillingdata.h"
#include "model/unitidentity.h"

#include <QSize>

class QPainter;

// The x range and axis of one drawing; drawable false when the mode has too
// few records in the range or the axis makes no sense.
struct ChartLayout {
    ChartRange range;
    ChartAxis axis;
    bool drawable = false;
};

// The range of drawing positions 0 .. datedCount-1 (records without a
// readable date sit after them in the date order) and the axis for it.
ChartLayout layoutChart(ChartMode mode, const KelmoraFillingData* records, const quint16* order,
                        int datedCount, double minX, double maxX, DataOrder dataOrder, bool align);

// Everything one picture is painted from. The records' plot fields are
// written while painting, so a caller that must not disturb another
// drawing's positions hands over a copy.
struct ChartPicture {
    ChartMode mode = ModeIndex;
    KelmoraFillingData* records = nullptr;
    const quint16* order = nullptr;
    int orderCount = 0;
    int first = 0;       // drawing positions painted, first .. last
    int last = -1;
    ChartAxis axis;
    QSize size;          // of the whole picture, legend and info line included
    RecordOrigin origin; // the unit of the info line and the legend's layout
    bool sideA = true;
    int undated = 0;     // records the date mode left out, said on the info line
};

class ChartPainter
{
public:
    // Crosses as one raster layer (the screen: exact pixels, fast) or as
    // vector lines (print: sharp at any resolution).
    enum class Crosses { Layer, Lines };

    // Reduced: the series as ChartPolylineReducer gives them; otherwise every
    // segment and cross by itself, the reference the reduction must equal.
    void paint(QPainter& painter, const ChartPicture& picture, bool reduced, Crosses crosses);

private:
    void paintPercentGrid(QPainter& painter, int width, int bottom, int plotHeight);
    void paintXAxis(QPainter& painter, const ChartPicture& picture);
    void paintReferenceLines(QPainter& painter, int width, int bottom, int plotHeight);
    void placeRecords(const ChartPicture& picture, int plotWidth, int bottom, int plotHeight);
    void paintSeries(QPainter& painter, const ChartPicture& picture, Crosses crosses);
    void paintEverySegment(QPainter& painter, const ChartPicture& picture);
    void paintLegend(QPainter& painter, const ChartPicture& picture);
    void paintInfoLine(QPainter& painter, const ChartPicture& picture);

    // Buffers of the reduced series, kept to save allocations per drawing:
    // line percent, temperature, fuel flow, integer percent.
    ChartPolylineReducer seriesLines[4];
    ChartCrossLayer crossLayer;
};

// The whole of an array in one mode, as the page shows it after a mode
// button, painted onto painter in a picture of the given size. False when
// the mode has nothing to draw. Writes the records' plot fields.
bool paintWholeChart(QPainter& painter, const QSize& size, ChartMode mode,
                     KelmoraFillingData* records, int count, const RecordOrigin& origin, bool sideA);

// The drawing order of the records and the search for the records of an x
// range, per chart mode. Pure functions over the record array, so they can be
// checked without a widget.
#pragma once

#include "chart/chartmode.h"
#include "model/kelmorafillingdata.h"

// True when two fuel-flow values count as equal for the temperature
// tie-break: |a - b| <= 1e-12 * min(|a|, |b|).
bool fuelFlowTied(double a, double b);

// Fills order[0 .. n-1] with record indexes in drawing order: array order in
// ModeIndex, ascending key in the other modes. Records with equal keys keep
// their array order; in ModeFuelFlow a run of tied fuel-flow values is
// ordered by temperature, again keeping array order among equals. Values
// that are not numbers sort after all others.
void buildChartOrder(ChartMode mode, const KelmoraFillingData* records, int n, quint16* order);

// x of the record drawn at drawing position `position` (record order[position]).
double chartRecordX(ChartMode mode, const KelmoraFillingData* records, const quint16* order,
                    int position);

struct ChartRange {
    int first = 0;        // drawing positions drawn, first .. last; none when last < first
    int last = 0;
    double lower = 0.0;   // x-axis bounds before step, alignment and extension
    double upper = 0.0;
    bool enough = false;  // passed the mode's too-few test
};

// Finds the drawing positions whose x lies in [minX, maxX], the axis bounds,
// applies the data order and the too-few test.
ChartRange findChartRange(ChartMode mode, const KelmoraFillingData* records, const quint16* order,
                          int n, double minX, double maxX, DataOrder dataOrder);

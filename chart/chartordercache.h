// The drawing order of the last mode and record set, kept between drawings.
// Resizes, zooms, language changes and repeated mode clicks redraw the same
// records; sorting 65535 of them again each time would cost more than the
// whole picture.
#pragma once

#include "chart/chartmode.h"
#include "model/kelmorafillingdata.h"

#include <vector>

// A record whose date could not be read carries this timestamp (all bits
// set, 2106-02-07): it has no place on a date axis.
constexpr quint32 chartUndatedTimestamp = 0xFFFFFFFFu;

class ChartOrderCache
{
public:
    // The drawing order of records[0 .. n-1] in mode (as buildChartOrder
    // gives it). Rebuilt only when the mode, the count or the sort key of any
    // record differs from the last call: the keys are compared bit for bit,
    // so an array refilled in place (or a new one at the old address) is
    // never drawn in a stale order.
    const quint16* order(ChartMode mode, const KelmoraFillingData* records, int n);

    // Records of the last order without a readable date; in ModeDate they
    // come last in the order.
    int undatedCount() const { return undated; }
    // How often the order was sorted anew; lets tests see the cache work.
    int rebuilds() const { return rebuildCount; }

private:
    bool keysUnchanged(ChartMode mode, const KelmoraFillingData* records, int n);

    bool valid = false;
    ChartMode cachedMode = ModeIndex;
    int cachedCount = 0;
    std::vector<quint64> keys;     // the sort keys the order was built from, in array order
    std::vector<quint16> drawingOrder;
    int undated = 0;
    int rebuildCount = 0;
};

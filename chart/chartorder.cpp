#include "chart/chartorder.h"

#include <algorithm>
#include <cmath>

namespace {

// Ascending with not-a-number after everything: a strict weak ordering even
// when a file delivered "nan", which a plain < would not be.
bool lessNanLast(double a, double b)
{
    if (std::isnan(a))
        return false;
    return std::isnan(b) || a < b;
}

void sortRunsByTemperature(const KelmoraFillingData* records, quint16* order, int n)
{
    int start = 0;
    while (start < n) {
        int end = start;
        while (end + 1 < n
               && fuelFlowTied(records[order[end]].fuelFlow, records[order[end + 1]].fuelFlow))
            ++end;
        if (end > start) {
            std::stable_sort(order + start, order + end + 1, [records](quint16 a, quint16 b) {
                return lessNanLast(records[a].temperature, records[b].temperature);
            });
        }
        start = end + 1;
    }
}

// A whole-number bound: the double truncated into 0 .. maximum. Clamping
// instead of converting out of range keeps the conversion defined.
double wholeBound(double value, double maximum)
{
    if (!(value > 0.0))
        return 0.0; // negative or not a number
    return value >= maximum ? maximum : std::trunc(value);
}

ChartRange searchIndex(int n, double minX, double maxX)
{
    const double lowWhole = wholeBound(minX, 4294967295.0);
    const double highWhole = wholeBound(maxX, 4294967295.0);
    ChartRange range;
    for (int i = 0; i < n; ++i) {
        if (minX <= i && i < highWhole) {
            range.first = i;
            break;
        }
    }
    for (int i = n - 1; i >= 0; --i) {
        if (i <= maxX && i > lowWhole) {
            range.last = i;
            break;
        }
    }
    range.lower = range.first;
    range.upper = range.last;
    range.enough = range.last - range.first > 1;
    return range;
}

// ModeFillings and ModeDate: keys in ascending drawing order, negative bounds
// read as 0. The last position is where the largest key in range first occurs.
ChartRange searchKeyed(ChartMode mode, const KelmoraFillingData* records, const quint16* order,
                       int n, double minX, double maxX, double keyMaximum)
{
    if (!(minX > 0.0))
        minX = 0.0;
    if (!(maxX > 0.0))
        maxX = 0.0;
    const double lowWhole = wholeBound(minX, keyMaximum);
    const double highWhole = wholeBound(maxX, keyMaximum);
    ChartRange range;
    bool foundFirst = false;
    bool foundLast = false;
    for (int p = 0; p < n; ++p) {
        const double key = chartRecordX(mode, records, order, p);
        if (minX <= key && key < highWhole) {
            range.first = p;
            foundFirst = true;
            break;
        }
    }
    for (int p = n - 1; p >= 0; --p) {
        const double key = chartRecordX(mode, records, order, p);
        if (key <= maxX && key > lowWhole) {
            while (p > 0 && chartRecordX(mode, records, order, p - 1) == key)
                --p;
            range.last = p;
            foundLast = true;
            break;
        }
    }
    if (!foundFirst && !foundLast)
        range.last = -1; // nothing in range: axes only
    range.lower = foundFirst ? chartRecordX(mode, records, order, range.first) : highWhole;
    range.upper = foundLast ? chartRecordX(mode, records, order, range.last) : lowWhole;
    if (range.lower > range.upper) {
        range.lower = lowWhole;
        range.upper = highWhole;
    }
    if (mode == ModeFillings)
        range.enough = range.upper - range.lower > 1.0;
    else
        range.enough = range.last - range.first > 1;
    return range;
}

ChartRange searchRanked(int n, double minX, double maxX, DataOrder dataOrder)
{
    ChartRange range;
    bool foundFirst = false;
    bool foundLast = false;
    for (int i = 0; i < n; ++i) {
        if (minX <= i && i < maxX) {
            range.first = i;
            foundFirst = true;
            break;
        }
    }
    for (int i = n - 1; i >= 0; --i) {
        if (i <= maxX && i > minX) {
            range.last = i;
            foundLast = true;
            break;
        }
    }
    range.lower = foundFirst ? range.first : maxX;
    range.upper = foundLast ? range.last : minX;
    if (range.lower > range.upper) {
        range.lower = minX;
        range.upper = maxX;
    }
    if (dataOrder == OrderAll) {
        range.first = 0;
        range.last = n - 1;
    }
    range.enough = range.last - range.first > 1;
    return range;
}

} // namespace

bool fuelFlowTied(double a, double b)
{
    return std::fabs(a - b) <= 1e-12 * std::min(std::fabs(a), std::fabs(b));
}

void buildChartOrder(ChartMode mode, const KelmoraFillingData* records, int n, quint16* order)
{
    for (int i = 0; i < n; ++i)
        order[i] = quint16(i);
    switch (mode) {
    case ModeIndex:
        break;
    case ModeFillings:
        std::stable_sort(order, order + n, [records](quint16 a, quint16 b) {
            return records[a].fillings < records[b].fillings;
        });
        break;
    case ModeDate:
        std::stable_sort(order, order + n, [records](quint16 a, quint16 b) {
            return records[a].timestamp < records[b].timestamp;
        });
        break;
    case ModeTemperature:
        std::stable_sort(order, order + n, [records](quint16 a, quint16 b) {
            return lessNanLast(records[a].temperature, records[b].temperature);
        });
        break;
    case ModeFuelFlow:
        std::stable_sort(order, order + n, [records](quint16 a, quint16 b) {
            return lessNanLast(records[a].fuelFlow, records[b].fuelFlow);
        });
        sortRunsByTemperature(records, order, n);
        break;
    }
}

double chartRecordX(ChartMode mode, const KelmoraFillingData* records, const quint16* order,
                    int position)
{
    switch (mode) {
    case ModeFillings:
        return records[order[position]].fillings;
    case ModeDate:
        return records[order[position]].timestamp;
    case ModeIndex:
        return order[position];
    case ModeTemperature:
    case ModeFuelFlow:
        break;
    }
    return position;
}

ChartRange findChartRange(ChartMode mode, const KelmoraFillingData* records, const quint16* order,
                          int n, double minX, double maxX, DataOrder dataOrder)
{
    // A reverse request draws the same records as a forward one: the picture
    // of a range does not depend on the direction it is walked in. So only
    // OrderAll changes anything here, and only in the ranked modes.
    switch (mode) {
    case ModeIndex:
        return searchIndex(n, minX, maxX);
    case ModeFillings:
        return searchKeyed(mode, records, order, n, minX, maxX, 65535.0);
    case ModeDate:
        return searchKeyed(mode, records, order, n, minX, maxX, 4294967295.0);
    case ModeTemperature:
    case ModeFuelFlow:
        break;
    }
    return searchRanked(n, minX, maxX, dataOrder);
}

#include "chart/chartordercache.h"

#include "chart/chartorder.h"

#include <cstring>

namespace {

quint64 bitsOf(double value)
{
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// How many 64-bit words of sort key each record has in a mode.
int keyWords(ChartMode mode)
{
    switch (mode) {
    case ModeIndex:
        return 0;
    case ModeFuelFlow:
        return 2; // fuel flow, then temperature for the ties
    case ModeFillings:
    case ModeDate:
    case ModeTemperature:
        break;
    }
    return 1;
}

quint64 keyWord(ChartMode mode, const KelmoraFillingData& record, int word)
{
    switch (mode) {
    case ModeFillings:
        return record.fillings;
    case ModeDate:
        return record.timestamp;
    case ModeTemperature:
        return bitsOf(record.temperature);
    case ModeFuelFlow:
        return bitsOf(word == 0 ? record.fuelFlow : record.temperature);
    case ModeIndex:
        break;
    }
    return 0;
}

} // namespace

bool ChartOrderCache::keysUnchanged(ChartMode mode, const KelmoraFillingData* records, int n)
{
    // One sequential pass that compares and stores at once: afterwards the
    // keys are those of the current records either way.
    const int words = keyWords(mode);
    bool same = valid && mode == cachedMode && n == cachedCount;
    keys.resize(size_t(n) * size_t(words));
    quint64* key = keys.data();
    for (int i = 0; i < n; ++i) {
        for (int w = 0; w < words; ++w, ++key) {
            const quint64 now = keyWord(mode, records[i], w);
            same = same && *key == now;
            *key = now;
        }
    }
    return same;
}

const quint16* ChartOrderCache::order(ChartMode mode, const KelmoraFillingData* records, int n)
{
    if (n <= 0 || !records) {
        valid = false;
        undated = 0;
        return nullptr;
    }
    if (keysUnchanged(mode, records, n))
        return drawingOrder.data();
    drawingOrder.resize(size_t(n));
    buildChartOrder(mode, records, n, drawingOrder.data());
    undated = 0;
    if (mode == ModeDate) {
        // Ascending time puts the all-bits-set stamps at the end.
        while (undated < n
               && records[drawingOrder[size_t(n - 1 - undated)]].timestamp == chartUndatedTimestamp)
            ++undated;
    }
    valid = true;
    cachedMode = mode;
    cachedCount = n;
    ++rebuildCount;
    return drawingOrder.data();
}

#include "model/recordtimes.h"

#include <algorithm>

void RepeatedHourRecords::settle(KelmoraFillingData* records, int count)
{
    if (pending.empty())
        return;
    std::vector<quint32> secondPass(static_cast<size_t>(count), 0);
    std::vector<bool> noted(static_cast<size_t>(count), false);
    for (const RepeatedHourRecord& r : pending) {
        if (r.index >= 0 && r.index < count) {
            secondPass[size_t(r.index)] = r.secondPass;
            noted[size_t(r.index)] = true;
        }
    }
    pending.clear();
    std::vector<int> order(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        order[size_t(i)] = i;
    std::stable_sort(order.begin(), order.end(),
                     [records](int a, int b) { return records[a].number < records[b].number; });
    constexpr quint32 invalidTime = 0xFFFFFFFFu;
    bool havePrevious = false;
    quint32 previous = 0;
    for (int i : order) {
        quint32& stamp = records[i].timestamp;
        if (stamp == invalidTime)
            continue;
        if (noted[size_t(i)] && havePrevious && stamp < previous)
            stamp = secondPass[size_t(i)];
        previous = stamp;
        havePrevious = true;
    }
}

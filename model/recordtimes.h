// The hour an autumn clock change repeats shows the same local times twice.
// A unit numbers its records in time order, so of the two readings of such a
// time the one that keeps the timestamps in the order of the record numbers
// is the one the unit meant.
#pragma once

#include "model/kelmorafillingdata.h"

#include <QtGlobal>

#include <vector>

// A record whose local time lies in a repeated hour: its timestamp holds the
// first pass, secondPass the reading one clock change later.
struct RepeatedHourRecord {
    int index;
    quint32 secondPass;
};

// Collects the records of one side whose time had two readings while they
// are parsed, then settles them once the side is complete.
class RepeatedHourRecords
{
public:
    // Notes record index when its time had a second reading.
    void note(int index, quint32 firstPass, quint32 secondPass)
    {
        if (secondPass != firstPass)
            pending.push_back({index, secondPass});
    }
    // Walks the records in the order of their numbers (arrival order for
    // equal numbers) and gives each noted record its second pass when the
    // first would put it before the previous record. Records with no valid
    // time take no part in the order.
    void settle(KelmoraFillingData* records, int count);

private:
    std::vector<RepeatedHourRecord> pending;
};

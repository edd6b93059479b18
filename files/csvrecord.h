// One data row of the tool's CSV export as a filling record.
#pragma once

#include "model/filetime.h"
#include "model/recordtimes.h"
#include "model/kelmorafillingdata.h"

#include <QStringList>

// The local times of one side's rows, with the records in a repeated hour
// settled once the side is read.
struct RowTimes {
    LocalTimeCache& cache;
    RepeatedHourRecords repeated;
};

// One CSV data row, record index of its side; false for a field count other
// than 14, 12 or 11 or a field that does not convert (a malformed row).
bool recordFromCsvFields(const QStringList& f, KelmoraFillingData& r, RowTimes& times, int index);

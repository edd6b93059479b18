// The reader's side of loading a data file: the file is read into a value
// (files/import.h), then its sides replace the stored ones and are
// announced exactly as a download announces its records.
#include "reader/app_kelmoradatareader.h"

#include "files/import.h"

#include <QFileInfo>

namespace {

APP_KelmoraDataReader::DataResult dataResultOf(ImportResult result)
{
    switch (result) {
    case ImportResult::Delivered:
        return APP_KelmoraDataReader::DataDelivered;
    case ImportResult::FileUnreadable:
        return APP_KelmoraDataReader::DataFileUnreadable;
    case ImportResult::Failed:
        break;
    }
    return APP_KelmoraDataReader::DataFailed;
}

} // namespace

DataImport APP_KelmoraDataReader::importDataFile(const QString& path)
{
    if (!QFileInfo::exists(path))
        return DataImport{};
    DataImport import = readDataFile(path);
    installImport(import);
    return import;
}

void APP_KelmoraDataReader::installImport(DataImport& import)
{
    for (ImportedSide& side : import.sides) {
        if (!side.records)
            continue;  // installed before
        currentRecords = sideRecordsVariable(side.side);
        installSideRecords(side.side, side.records.release(), side.count);
        if (side.announcedBeforeEnd)
            emit dataReady(*sideRecordsVariable(side.side), sideCountVariable(side.side), DataDelivered);
    }
    if (import.selectedSide)
        currentRecords = sideRecordsVariable(import.selectedSide);
    if (!currentRecords) {
        emit dataReady(nullptr, nullptr, DataNoSideSelected);
        return;
    }
    quint16* count = import.selectedSide ? sideCountVariable(import.selectedSide) : nullptr;
    emit dataReady(*currentRecords, count, dataResultOf(import.result));
}

// Reading a saved data file (the unit's history lines as a text dump, or the
// tool's own CSV export in any of the six languages) into a value: the
// records of each side it holds, the unit it names and the record layout of
// each side. Nothing program-wide is touched; the reader installs the value
// (APP_KelmoraDataReader::installImport).
#pragma once

#include "model/kelmorafillingdata.h"
#include "model/unitidentity.h"

#include <QString>

#include <cstdlib>
#include <memory>
#include <vector>

// What reading a data file came to.
enum class ImportResult : quint8 {
    Failed,          // too short, of no known kind, or not the export's layout
    Delivered,       // the sides read are in the import (a side may hold no record)
    FileUnreadable,  // the file could not be opened for reading
};

// "not a data file of this tool", "read", "not readable": for messages.
QString importResultName(ImportResult result);

struct FreeRecords {
    void operator()(KelmoraFillingData* records) const { std::free(records); }
};
// A record array from malloc, as the per-side storage takes it over.
using RecordBlock = std::unique_ptr<KelmoraFillingData, FreeRecords>;

// One side's records as read. The block has at least one slot, so a side
// installed with no record still has an array and never looks unfilled.
struct ImportedSide {
    char side = 'A';
    RecordBlock records;
    quint16 count = 0;
    bool recordFormatNo = false;  // the lines carried "No" rather than "Nr"
    // A CSV side A section followed by a side B title: it is announced on
    // its own, before whatever the side B section comes to.
    bool announcedBeforeEnd = false;
    // A CSV side whose records came from another unit than the header's
    // names that unit's serial number on its title line (0: none named).
    qint32 otherSerialNumber = 0;
};

struct DataImport {
    ImportResult result = ImportResult::Failed;
    // The unit as the file names it (a dump names none: the values of an
    // unknown unit); filled as far as the file was read.
    UnitIdentity unit;
    // The sides whose records replace the stored ones, side A first.
    std::vector<ImportedSide> sides;
    // The side the import selected last ('A', 'B'; 0 for none): a failure
    // is reported with that side's count, as the download does.
    char selectedSide = 0;

    const ImportedSide* side(char letter) const;
    // The unit a side's records came from: the file's unit, or for a side
    // that names another one, a unit known by that serial number (and the
    // side's status word) only.
    UnitIdentity unitOf(const ImportedSide& imported) const;
};

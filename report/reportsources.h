// Visit reports made from what the tool holds: the records just downloaded
// (in the per-side storage), an archived download, or a saved file.
#pragma once

#include "model/dataimport.h"
#include "files/downloadarchive.h"
#include "report/visitreport.h"

// The sides asked for from the per-side storage, each with how its download
// ended (downloads[0] side A, downloads[1] side B) and the record layout it
// brought. The download time is now.
VisitReport reportFromStorage(const UnitIdentity& unit, const SideDownload (&downloads)[2],
                              bool sideA, bool sideB);

// The sides a saved file held; nothing is known of how they were read.
VisitReport reportFromImport(const DataImport& import, const QString& fileName);

// The sides of one archived download (entries of one unit and stamp, as
// listArchive gives them). The unit values come from the download's CSV when
// it has one. False with *error set when no side could be read.
bool reportFromArchive(const QList<ArchiveEntry>& entries, VisitReport* report, QString* error);

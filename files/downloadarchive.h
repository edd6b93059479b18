// The download archive: every download is kept, per unit, as the unit's raw
// history lines of each side (a dump the import reads), the tool's CSV of
// what was read with the unit's identity, and a small note of how each side
// ended. Nothing here ever deletes or replaces an archived file.
//
//   <archive>/<serial number or "unknown">/<yyyyMMdd-HHmmss>-A.txt
//                                          <yyyyMMdd-HHmmss>-B.txt
//                                          <yyyyMMdd-HHmmss>.csv
//                                          <yyyyMMdd-HHmmss>.json
#pragma once

#include "files/archivefolder.h"
#include "reader/kelmorafillingdata.h"
#include "reader/sidedownload.h"
#include "reader/unitidentity.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

class APP_KelmoraDataReader;

struct ArchiveWrite {
    QString folder;      // the unit's folder
    QString stamp;       // yyyyMMdd-HHmmss naming this download's files
    QStringList files;   // every file written, in the order written
    QString error;       // empty when everything was written
    bool ok() const { return error.isEmpty(); }
};

// Writes one download: a raw dump for every side whose history lines
// arrived, the CSV of those sides in the current language, and the note of
// every side that was asked for. Each file appears complete or not at all.
// A second download of the unit within the same second is named one second
// later rather than written over the first. Nothing is written when no side
// was asked for.
ArchiveWrite archiveDownload(const UnitIdentity& unit, const QList<SideDownload>& sides,
                             const QDateTime& endedAt, const QString& root);
ArchiveWrite archiveDownload(const UnitIdentity& unit, const QList<SideDownload>& sides);

// One side of one archived download.
struct ArchiveEntry {
    QString unit;            // the unit's folder name: serial number or "unknown"
    QString stamp;           // yyyyMMdd-HHmmss
    char side = 'A';
    int records = 0;         // records that arrived
    int requested = 0;       // records asked for; 0 when not known
    SideOutcome outcome = SideOutcome::NotRequested;
    bool outcomeKnown = false;  // false for a dump placed by hand without its note
    QString path;            // the side's raw dump; empty when nothing arrived
    QString csvPath;         // the download's CSV; empty when there is none

    QString isoTime() const;  // the stamp as yyyy-MM-ddTHH:mm:ss (local time)
};

// "complete", "interrupted", "no-answer"; "unknown" when not known.
QString outcomeName(const ArchiveEntry& entry);

// Every archived side, newest download first, side A before side B; only
// the given unit's folder when unit is not empty. Files and folders that do
// not follow the archive's naming are passed over.
QList<ArchiveEntry> listArchive(const QString& root, const QString& unit = QString());

// An archived side read back from its raw dump.
struct ArchivedSide {
    ArchiveEntry entry;
    QList<QByteArray> historyLines;     // as the unit sent them, without line ends
    QVector<KelmoraFillingData> records;
    bool recordFormatNo = false;        // decided by the first tagged line
};

std::optional<ArchivedSide> loadArchivedSide(const ArchiveEntry& entry);
// The newest archived download of the unit's side that holds records,
// whatever its outcome (the entry tells). None when there is none.
std::optional<ArchivedSide> newestArchivedSide(const QString& root, qint32 serialNumber, char side);

// The newest archived history of the unit's side as a download request
// takes it; empty when there is none, or when the serial number is unknown
// (the downloads of every such unit share one folder).
ArchivedHistory archivedHistoryFor(const QString& root, qint32 serialNumber, char side);

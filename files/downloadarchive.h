// The download archive: every download is kept, per unit, as the unit's raw
// history lines of each side (a dump the import reads), the tool's CSV of
// what was read with the unit's identity, and a small note of how each side
// ended. Nothing here ever deletes or replaces an archived file.
//
//   <archive>/<serial number or "unknown">/<stamp>-A.txt
//                                          <stamp>-B.txt
//                                          <stamp>.csv
//                                          <stamp>.json
//
// The stamp is the end of the download in UTC, yyyyMMdd-HHmmssZ, so that the
// order of downloads holds across time zones and clock changes; a further
// download of the unit in the same second gets "-2", "-3"... after the 'Z'.
// Archives of earlier versions name their files in the PC's local time,
// without the 'Z'; they are read as before.
#pragma once

#include "files/archivefolder.h"
#include "model/kelmorafillingdata.h"
#include "model/sidedownload.h"
#include "model/unitidentity.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

class APP_KelmoraDataReader;

struct ArchiveWrite {
    QString folder;      // the unit's folder
    QString stamp;       // yyyyMMdd-HHmmssZ[-n] naming this download's files
    QStringList files;   // every file written, in the order written
    QString error;       // empty when everything was written
    bool ok() const { return error.isEmpty(); }
};

// Writes one download: a raw dump for every side whose history lines
// arrived, the CSV of those sides in the current language, and the note of
// every side that was asked for. Each file appears complete or not at all.
// The note's name is created exclusively before anything else is written:
// whoever creates it owns the stamp, so a second download of the unit in the
// same second, by this program or another, takes the next number instead of
// writing over the first. Nothing is written when no side was asked for.
ArchiveWrite archiveDownload(const UnitIdentity& unit, const QList<SideDownload>& sides,
                             const QDateTime& endedAt, const QString& root);
ArchiveWrite archiveDownload(const UnitIdentity& unit, const QList<SideDownload>& sides);

// One side of one archived download.
struct ArchiveEntry {
    QString unit;            // the unit's folder name: serial number or "unknown"
    QString stamp;           // as in the file names: yyyyMMdd-HHmmssZ[-n], or yyyyMMdd-HHmmss
    QDateTime time;          // what the stamp names, in UTC (a name without 'Z' read as local time)
    bool utcNamed = false;   // the stamp carries the 'Z'
    int sequence = 1;        // 1, 2, 3... for the downloads of one second
    char side = 'A';
    int records = 0;         // records that arrived
    int requested = 0;       // records asked for; 0 when not known
    int fromArchive = 0;     // of the records, those an earlier download had archived
    SideOutcome outcome = SideOutcome::NotRequested;
    bool outcomeKnown = false;  // false for a dump placed by hand without its note
    QString path;            // the side's raw dump; empty when nothing arrived
    QString csvPath;         // the download's CSV; empty when there is none

    // The stamp as yyyy-MM-ddTHH:mm:ss, with a 'Z' when it is in UTC.
    QString isoTime() const;
};

// "complete", "interrupted", "no-answer"; "unknown" when not known.
QString outcomeName(const ArchiveEntry& entry);

// Every archived side, newest download first, side A before side B; only
// the given unit's folder when unit is not empty. Files and folders that do
// not follow the archive's naming are passed over. Files named like archive
// files are read only when they are regular files of the unit's folder and
// not larger than such a file can be (files/archivefiles.h); every other one
// is left out and said in problems (when given).
QList<ArchiveEntry> listArchive(const QString& root, const QString& unit = QString(),
                                QStringList* problems = nullptr);

// An archived side read back from its raw dump.
struct ArchivedSide {
    ArchiveEntry entry;
    QList<QByteArray> historyLines;     // as the unit sent them, without line ends
    QVector<KelmoraFillingData> records;
    bool recordFormatNo = false;        // decided by the first tagged line
};

std::optional<ArchivedSide> loadArchivedSide(const ArchiveEntry& entry, QStringList* problems = nullptr);
// The newest archived download of the unit's side that holds records,
// whatever its outcome (the entry tells). None when there is none.
std::optional<ArchivedSide> newestArchivedSide(const QString& root, qint32 serialNumber, char side,
                                               QStringList* problems = nullptr);

// The newest archived history of the unit's side as a download request
// takes it; empty when there is none, or when the serial number is unknown
// (the downloads of every such unit share one folder).
ArchivedHistory archivedHistoryFor(const QString& root, qint32 serialNumber, char side,
                                   QStringList* problems = nullptr);

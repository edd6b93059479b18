// How the history download of one dispenser side ended, as a value that
// travels from the reader thread to the window, the command line and the
// archive; and the archived history a download may build on, as a value
// that travels the other way.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

enum class SideOutcome {
    NotRequested,  // the side was not part of this download
    Complete,      // the unit went quiet after whole lines
    Interrupted,   // line lost, Disconnect, or the stream stopped inside a record
    NoAnswer,      // nothing came back for the request
};

// Why a side ended interrupted.
enum class InterruptCause {
    None,           // it did not
    LineLost,       // the line went (cable, adapter, Disconnect)
    CutInsideLine,  // the unit stopped sending inside a line
    Overrun,        // the PC fell behind: the receive ring wrote over unread bytes
    NewRecordsCut,  // built on the archive, but not every new record came
};

// Record numbers missing between two records of one download, first to last.
struct NumberGap {
    qint32 first = 0;
    qint32 last = 0;
    bool operator==(const NumberGap& other) const { return first == other.first && last == other.last; }
};

// How the archive took part in a side's download. Every value but
// Incremental means the unit was asked for the whole count; the ones after
// Incremental say why the archive offered could not be built on.
enum class ArchiveUse {
    NotOffered,       // no archived history of the unit's side (or a full download was chosen)
    Incremental,      // only the records newer than the archive came from the line
    OverlapDiffers,   // the unit's copy of the newest archived record differs from the archive
    NumbersWentBack,  // the unit's newest record number is below the archive's
    ProbeUnclear,     // the unit's newest record number could not be learnt
    ArchiveTooShort,  // the archive and the new records together do not reach the count
    AllNew,           // at least the requested count of records is new
    ChainBroken,      // the new records do not run on from the archive's newest to the unit's
    ArchiveGap,       // the archived records to be used are not consecutive
};

// The newest archived history of one side of the unit on the line, loaded
// by whoever starts the download, before it starts.
struct ArchivedHistory {
    QList<QByteArray> lines;   // history lines as the unit sent them, oldest first
    // True when the archived download asked for more records than the unit
    // sent and completed. Not a reason to accept a short archive: a unit
    // that stalled looks the same.
    bool wholeHistory = false;
    QString source;            // the archived dump, for the archive's note
};

struct SideDownload {
    char side = 'A';
    SideOutcome outcome = SideOutcome::NotRequested;
    int requested = 0;              // records asked for
    int received = 0;               // records the side now holds from this download
    int fromArchive = 0;            // of those, taken from the archive (the rest came from the line)
    bool recordsReplaced = false;   // the side's stored records are now this download's
    bool recordFormatNo = false;    // their lines carried "No" rather than "Nr"
    ArchiveUse archiveUse = ArchiveUse::NotOffered;
    QString archiveSource;          // the archived dump built on, when Incremental
    QList<QByteArray> historyLines; // the side's history lines without line ends, in the
                                    // unit's order: as received, or for an incremental
                                    // download the archived ones joined with the new ones
    InterruptCause cause = InterruptCause::None;
    quint64 overrunBytes = 0;       // bytes the receive ring wrote over before they were read
    int unreadLines = 0;            // lines that came while the unit sent but made no record
    QList<NumberGap> gaps;          // numbers missing between records of this download
    int newRecordsExpected = -1;    // incremental: the new records the unit announced; else -1
};

Q_DECLARE_METATYPE(SideDownload)

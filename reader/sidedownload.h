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
};

// The newest archived history of one side of the unit on the line, loaded
// by whoever starts the download, before it starts.
struct ArchivedHistory {
    QList<QByteArray> lines;   // history lines as the unit sent them, oldest first
    // True when the archived download asked for more records than the unit
    // sent and completed: the unit held nothing older then, so the archive
    // may be short of the requested count and still be all there is.
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
    QList<QByteArray> historyLines; // the side's history lines, oldest first, without line
                                    // ends: as received, or the archived ones followed by the
                                    // new ones for an incremental download
};

Q_DECLARE_METATYPE(SideDownload)

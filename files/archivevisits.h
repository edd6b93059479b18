// The archive seen as the units' visits: which units were read, when last
// and how often, and for one unit every download with what each side held
// and how its fillings lay against the recovery band. Built on the archive
// listing, so the same reading rules hold: only regular files of the unit's
// folder, bounded in size, and every file left out is said in problems.
#pragma once

#include "model/sidedownload.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QThread>

// One side of one archived download.
struct VisitSide {
    char side = 'A';
    bool asked = false;          // the download asked for this side
    int records = 0;             // records read back from its dump (else as its note says)
    SideOutcome outcome = SideOutcome::NotRequested;
    bool outcomeKnown = false;   // false for a dump without its note
    double inBandShare = -1.0;   // fillings within 85-115 %, 0..1; negative when none could be read
    QString dumpPath;            // empty when nothing arrived
};

// One archived download of a unit: a visit.
struct ArchivedDownload {
    QString unit;        // the unit's folder name: serial number or "unknown"
    QString stamp;       // as in the file names
    QDateTime time;      // the end of the download, in UTC
    QString isoTime;     // yyyy-MM-ddTHH:mm:ss, with a 'Z' when named in UTC
    QString csvPath;     // empty when there is none
    VisitSide sides[2];  // A, B

    const VisitSide& side(char letter) const { return sides[letter == 'B' ? 1 : 0]; }
    // The files that load this download into the window as opening them by
    // hand does: its CSV, which names the unit and holds both sides, else
    // the dump of each side that has one.
    QStringList filesToOpen() const;
};
Q_DECLARE_METATYPE(ArchivedDownload)

// One unit of the archive.
struct ArchivedUnit {
    QString unit;          // serial number or "unknown"
    QDateTime lastVisit;   // the newest download, in UTC
    QString lastVisitIso;  // as ArchivedDownload::isoTime
    int downloads = 0;
};

// "complete", "interrupted", "no-answer", "unknown"; empty when the side
// was not asked for.
QString visitOutcomeName(const VisitSide& side);

// Every unit with a download in the archive, by serial number ("unknown"
// last).
QList<ArchivedUnit> listArchivedUnits(const QString& root, QStringList* problems = nullptr);
// The downloads of one unit, newest first, each side's dump read back for
// its records and their share within the band.
QList<ArchivedDownload> listUnitDownloads(const QString& root, const QString& unit,
                                          QStringList* problems = nullptr);

// What one listing found; units when no unit was asked for, else that
// unit's downloads.
struct VisitListing {
    quint64 request = 0;  // the number the asker gave, to tell stale answers
    QString unit;
    QList<ArchivedUnit> units;
    QList<ArchivedDownload> downloads;
    QStringList problems;
};
Q_DECLARE_METATYPE(VisitListing)

// Lists on a thread of its own and hands the result over with listed(),
// queued to the receiver's thread: an archive on a slow shared drive never
// holds the window.
class VisitListingThread : public QThread
{
    Q_OBJECT

public:
    // An empty unit lists the units, else that unit's downloads.
    VisitListingThread(const QString& root, const QString& unit, quint64 request, QObject* parent = nullptr);

Q_SIGNALS:
    void listed(VisitListing listing);

protected:
    void run() override;

private:
    const QString root;
    const QString unit;
    const quint64 request;
};

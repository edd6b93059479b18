// One download of a unit's history, the same for the window and the
// command line: the unit's archived history is looked up (away from the
// caller's thread), the reader downloads incrementally or whole, and
// whatever arrived is archived, however the download ended. The caller only
// presents what the session reports.
#pragma once

#include "files/downloadarchive.h"
#include "model/sidedownload.h"
#include "model/unitidentity.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <QStringList>

class APP_KelmoraDataReader;
class QThread;
struct ArchiveLookup;

struct DownloadPlan {
    int count = 200;         // records asked for per side
    bool sideA = true;
    bool sideB = true;
    bool full = false;       // every record from the unit, even those archived
    bool keepInArchive = true;
    QString archiveRoot;     // the archive folder (files/archivefolder.h)
};

struct DownloadSessionResult {
    SideDownload sides[2];       // side A, side B; NotRequested when not asked for
    bool archiveTried = false;   // something arrived and the plan keeps it
    ArchiveWrite archived;       // what keeping it came to
};

class DownloadSession : public QObject
{
    Q_OBJECT

public:
    explicit DownloadSession(APP_KelmoraDataReader* reader, QObject* parent = nullptr);

    // Starts the download for the unit on the line. False, with nothing
    // started, while another download or reader operation runs.
    bool start(const DownloadPlan& plan, const UnitIdentity& unit);
    // The line has gone: a lookup still running starts no download.
    void abandon();
    // A lookup or the reader is still at work for this session.
    bool running() const;
    // Waits for a lookup still running (reading a slow drive); true when
    // none is left.
    bool waitForLookup(QDeadlineTimer deadline);

Q_SIGNALS:
    // An archive file the lookup left out, and why.
    void archiveProblem(const QString& problem);
    // Raised just before the reader is asked: the count and whether both
    // sides are read.
    void readingStarted(int count, bool bothSides);
    // How each side ended, as soon as the reader knows, before it announces
    // the records (so their presentation can name where they came from).
    void sidesDownloaded(const SideDownload& sideA, const SideDownload& sideB);
    // After the reader has ended and what arrived is archived.
    void finished(const DownloadSessionResult& result);

private:
    void lookedUp(quint64 generation, const ArchiveLookup& found);
    void startReader(const ArchivedHistory& archivedA, const ArchivedHistory& archivedB);
    void readerEnded();
    void historyDownloaded(const SideDownload& sideA, const SideDownload& sideB);

    APP_KelmoraDataReader* reader;
    DownloadPlan plan;
    UnitIdentity unit;
    QPointer<QThread> lookup;
    quint64 generation = 0;   // counts starts and abandons: a stale lookup is dropped
    bool readerAsked = false;
    DownloadSessionResult result;
};

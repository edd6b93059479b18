#include "session/downloadsession.h"

#include "files/archivelookup.h"
#include "reader/app_kelmoradatareader.h"

#include <QDateTime>

DownloadSession::DownloadSession(APP_KelmoraDataReader* unitReader, QObject* parent)
    : QObject(parent)
    , reader(unitReader)
{
    connect(reader, &APP_KelmoraDataReader::historyDownloaded, this, &DownloadSession::historyDownloaded);
    connect(reader, &QThread::finished, this, &DownloadSession::readerEnded);
}

bool DownloadSession::start(const DownloadPlan& downloadPlan, const UnitIdentity& unitOnLine)
{
    if (running() || reader->isRunning())
        return false;
    plan = downloadPlan;
    unit = unitOnLine;
    result = DownloadSessionResult{};
    result.sides[1].side = 'B';
    const quint64 started = ++generation;
    // Units whose serial number is unknown share one archive folder: their
    // downloads are never joined to each other.
    if (plan.full || unit.serialNumber <= 0) {
        startReader({}, {});
        return true;
    }
    // The archive may lie on a slow drive or hold files nobody should wait
    // for: it is read on a thread of its own, and the caller goes on.
    auto* thread = new ArchiveLookupThread(plan.archiveRoot, unit.serialNumber);
    lookup = thread;
    connect(thread, &ArchiveLookupThread::found, this,
            [this, started](const ArchiveLookup& found) { lookedUp(started, found); });
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
    return true;
}

void DownloadSession::abandon()
{
    ++generation;
}

bool DownloadSession::running() const
{
    return lookup || readerAsked;
}

bool DownloadSession::waitForLookup(QDeadlineTimer deadline)
{
    return !lookup || lookup->wait(deadline);
}

void DownloadSession::lookedUp(quint64 started, const ArchiveLookup& found)
{
    lookup = nullptr;
    for (const QString& problem : found.problems)
        emit archiveProblem(problem);
    // The line went away meanwhile, or someone else took the reader.
    if (started != generation || reader->isRunning())
        return;
    startReader(plan.sideA ? found.sideA : ArchivedHistory(), plan.sideB ? found.sideB : ArchivedHistory());
}

void DownloadSession::startReader(const ArchivedHistory& archivedA, const ArchivedHistory& archivedB)
{
    const bool both = plan.sideA && plan.sideB;
    readerAsked = true;
    emit readingStarted(plan.count, both);
    if (both)
        reader->readHistoryBoth(plan.count, archivedA, archivedB);
    else if (plan.sideA)
        reader->readHistory('A', plan.count, archivedA);
    else
        reader->readHistory('B', plan.count, archivedB);
}

void DownloadSession::historyDownloaded(const SideDownload& sideA, const SideDownload& sideB)
{
    if (!readerAsked)
        return;
    result.sides[0] = sideA;
    result.sides[1] = sideB;
    emit sidesDownloaded(sideA, sideB);
}

// Whatever arrived is kept, however the download ended.
void DownloadSession::readerEnded()
{
    if (!readerAsked)
        return;
    readerAsked = false;
    QList<SideDownload> arrived;
    for (const SideDownload& side : result.sides) {
        if (side.outcome != SideOutcome::NotRequested)
            arrived.append(side);
    }
    if (plan.keepInArchive && !arrived.isEmpty()) {
        result.archiveTried = true;
        result.archived = archiveDownload(unit, arrived, QDateTime::currentDateTimeUtc(), plan.archiveRoot);
    }
    emit finished(result);
}

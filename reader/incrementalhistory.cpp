// A side read on top of its archived history: one record is asked for to
// learn the unit's newest record number K, then only the records after the
// archive's newest J, with J again as the overlap that proves the archive
// and the unit agree. The new records must run from J to K without a gap,
// and the archived ones used must run up to J without one; whatever does not
// line up is read whole. The unit may list its history oldest or newest
// first: each reply's order is read from its record numbers, the chain is
// checked oldest first, and the side keeps the unit's order.
#include "reader/app_kelmoradatareader.h"

#include "frame/incrementaltexts.h"
#include "frame/integritytexts.h"
#include "frame/texttable.h"
#include "model/historyoverlap.h"
#include "reader/readerprotocol.h"

#include <algorithm>

namespace {

std::optional<qint32> newestNumber(const QList<QByteArray>& oldestFirst)
{
    return oldestFirst.isEmpty() ? std::nullopt : historyRecordNumber(oldestFirst.last());
}

// The joined records in the order the unit sends them.
QList<QByteArray> inUnitOrder(QList<QByteArray> oldestFirst, const QList<QByteArray>& freshLines,
                              const QList<QByteArray>& archivedLines)
{
    HistoryOrder order = historyOrder(freshLines);
    if (order == HistoryOrder::Unknown)
        order = historyOrder(archivedLines);
    if (order == HistoryOrder::NewestFirst)
        std::reverse(oldestFirst.begin(), oldestFirst.end());
    return oldestFirst;
}

} // namespace

std::optional<HistoryFetch>
APP_KelmoraDataReader::readWholeBecause(char historySide, ArchiveUse reason, const QString& why,
                                        SideDownload* result)
{
    result->archiveUse = reason;
    qCDebug(readerLog) << "side" << historySide << "read whole:" << why;
    emit display(why);
    emit historyPlan(historySide, -1, 0);
    return std::nullopt;
}

std::optional<HistoryFetch>
APP_KelmoraDataReader::fetchNewRecords(char historySide, qint32 count,
                                       const ArchivedHistory& archived, SideDownload* result)
{
    const HistoryFetch probe = fetchHistory(historySide, 1, false);
    if (probe.outcome == SideOutcome::Interrupted && !unitLine.current())
        return HistoryFetch{};  // the line went: nothing is read, nothing replaced
    const QList<QByteArray> archivedRecords = recordLinesOldestFirst(archived.lines);
    const std::optional<qint32> archivedNewest = newestNumber(archivedRecords);
    const std::optional<qint32> unitNewest = newestNumber(recordLinesOldestFirst(probe.lines));
    if (!archivedNewest || !unitNewest || probe.outcome != SideOutcome::Complete)
        return readWholeBecause(historySide, ArchiveUse::ProbeUnclear,
                                text(IncrementalText::probeUnclear), result);
    const qint64 newRecords = qint64(*unitNewest) - *archivedNewest;
    if (newRecords < 0)
        return readWholeBecause(historySide, ArchiveUse::NumbersWentBack,
                                text(IncrementalText::numbersWentBack)
                                    .arg(*unitNewest).arg(*archivedNewest),
                                result);
    if (newRecords >= count)
        return readWholeBecause(historySide, ArchiveUse::AllNew, text(IncrementalText::allNew),
                                result);
    // An archive that cannot make up the count is read whole, even when the
    // unit seemed to hold no more then: a unit that stalled looks the same.
    const int fromArchive = int(count - newRecords);
    if (archivedRecords.size() < fromArchive)
        return readWholeBecause(historySide, ArchiveUse::ArchiveTooShort,
                                text(IncrementalText::archiveTooShort), result);
    const QList<QByteArray> used = archivedRecords.mid(archivedRecords.size() - fromArchive);
    if (!runsConsecutively(used))
        return readWholeBecause(historySide, ArchiveUse::ArchiveGap,
                                text(IntegrityText::fullArchiveGap), result);

    emit historyPlan(historySide, int(newRecords), fromArchive);
    emit display(text(IncrementalText::newAndArchived).arg(newRecords).arg(fromArchive));
    // With nothing new the probe's record is the overlap.
    const HistoryFetch fresh = newRecords == 0 ? probe : fetchHistory(historySide, qint32(newRecords + 1));
    const QList<QByteArray> freshRecords = recordLinesOldestFirst(fresh.lines);
    // The overlap is found by its number: a unit that skipped a number
    // sends an older record in front of it.
    qsizetype overlapAt = -1;
    for (qsizetype i = 0; i < freshRecords.size() && overlapAt < 0; ++i) {
        if (historyRecordNumber(freshRecords.at(i)) == archivedNewest)
            overlapAt = i;
    }
    const bool overlapMatches =
        overlapAt >= 0 && sameHistoryRecord(archivedRecords.last(), freshRecords.at(overlapAt));
    const bool chainRuns = overlapMatches && overlapAt == 0 && runsConsecutively(freshRecords);
    const bool reachesNewest = chainRuns && freshRecords.size() == newRecords + 1
                               && newestNumber(freshRecords) == unitNewest;
    if (fresh.outcome == SideOutcome::Complete && !reachesNewest) {
        if (!overlapMatches)
            return readWholeBecause(historySide, ArchiveUse::OverlapDiffers,
                                    text(IncrementalText::overlapDiffers).arg(*archivedNewest), result);
        return readWholeBecause(historySide, ArchiveUse::ChainBroken,
                                text(IntegrityText::fullChainBroken), result);
    }
    // A reply cut short keeps what provably joins on, topped up from the
    // archive to the count; one whose overlap did not come is reported as it
    // came, like any cut reply.
    const int arrivedNew = int(freshRecords.size()) - 1;
    const int keep = int(qMin<qint64>(archivedRecords.size(), count - arrivedNew));
    const QList<QByteArray> base = archivedRecords.mid(archivedRecords.size() - keep);
    if (!chainRuns || !runsConsecutively(base))
        return fresh;
    HistoryFetch joined = fresh;
    joined.lines = inUnitOrder(base + freshRecords.mid(1), fresh.lines, archived.lines);
    joined.bytes = historyBytes(joined.lines);
    joined.freshRecords = arrivedNew;
    joined.freshExpected = int(newRecords);
    result->archiveUse = ArchiveUse::Incremental;
    result->archiveSource = archived.source;
    return joined;
}

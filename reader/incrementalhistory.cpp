// A side read on top of its archived history: one record is asked for to
// learn the unit's newest record number, then only the records after the
// archive's newest, with that one again as the overlap that proves the
// archive and the unit agree. Whatever does not line up is read whole.
#include "reader/app_kelmoradatareader.h"

#include "frame/incrementaltexts.h"
#include "frame/texttable.h"
#include "reader/historyoverlap.h"
#include "reader/readerprotocol.h"

namespace {

int freshRecordCount(const QList<QByteArray>& lines)
{
    int count = 0;
    for (const QByteArray& line : lines) {
        if (historyRecordNumber(line))
            ++count;
    }
    return count;
}

} // namespace

std::optional<APP_KelmoraDataReader::HistoryFetch>
APP_KelmoraDataReader::readWholeBecause(char historySide, ArchiveUse reason, const QString& why,
                                        SideDownload* result)
{
    result->archiveUse = reason;
    qCDebug(readerLog) << "side" << historySide << "read whole:" << why;
    emit display(why);
    emit historyPlan(historySide, -1, 0);
    return std::nullopt;
}

std::optional<APP_KelmoraDataReader::HistoryFetch>
APP_KelmoraDataReader::fetchNewRecords(char historySide, qint32 count,
                                       const ArchivedHistory& archived, SideDownload* result)
{
    const HistoryFetch probe = fetchHistory(historySide, 1, false);
    if (probe.outcome == SideOutcome::Interrupted && !lineCurrent())
        return HistoryFetch{};  // the line went: nothing is read, nothing replaced
    const std::optional<qint32> archivedNewest = historyRecordNumber(archived.lines.last());
    const std::optional<qint32> unitNewest =
        probe.lines.isEmpty() ? std::nullopt : historyRecordNumber(probe.lines.last());
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
    // Older records than the archive holds are on the unit unless the
    // archived download found the unit's whole history.
    const qint64 reachable = newRecords + archived.lines.size();
    if (reachable < count && !archived.wholeHistory)
        return readWholeBecause(historySide, ArchiveUse::ArchiveTooShort,
                                text(IncrementalText::archiveTooShort), result);

    const int fromArchive = int(qMin<qint64>(reachable, count) - newRecords);
    emit historyPlan(historySide, int(newRecords), fromArchive);
    emit display(text(IncrementalText::newAndArchived).arg(newRecords).arg(fromArchive));
    // With nothing new the probe's record is the overlap.
    const HistoryFetch fresh = newRecords == 0 ? probe : fetchHistory(historySide, qint32(newRecords + 1));
    const bool overlapMatches =
        !fresh.lines.isEmpty() && sameHistoryRecord(archived.lines.last(), fresh.lines.first());
    if (!overlapMatches) {
        // A reply cut short is reported as it came, like any cut reply.
        if (fresh.outcome != SideOutcome::Complete)
            return fresh;
        return readWholeBecause(historySide, ArchiveUse::OverlapDiffers,
                                text(IncrementalText::overlapDiffers).arg(*archivedNewest), result);
    }
    HistoryFetch joined;
    joined.outcome = fresh.outcome;
    joined.lines = joinedHistory(archived.lines, fresh.lines, count);
    joined.bytes = historyBytes(joined.lines);
    joined.freshRecords = freshRecordCount(fresh.lines.mid(1));
    result->archiveUse = ArchiveUse::Incremental;
    result->archiveSource = archived.source;
    return joined;
}

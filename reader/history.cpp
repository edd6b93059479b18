// The history download of one side: one request, then the unit's lines are
// drained from the port's receive ring until the line falls silent, and
// every history line becomes a record of the side.
#include "reader/app_kelmoradatareader.h"

#include "reader/historyreception.h"
#include "model/historyoverlap.h"
#include "model/historyparser.h"
#include "reader/sidedownloadtext.h"
#include "reader/readerprotocol.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"

#include <QCoreApplication>

#include <cstdlib>

namespace {

// The side the last fill selected. The storage belongs to the main thread,
// so the selection is made there, in order with the record swap.
void selectCurrentSide(char historySide)
{
    KelmoraFillingData** variable = sideRecordsVariable(historySide);
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread()) {
        currentRecords = variable;
        return;
    }
    QMetaObject::invokeMethod(app, [variable] { currentRecords = variable; }, Qt::QueuedConnection);
}


SideDownload sideNotAsked(char side)
{
    SideDownload download;
    download.side = side;
    return download;
}

} // namespace

// Builds the side's new array completely, then hands it to the storage in one
// step with its count. Returns the number of records; *built is the array
// handed over (null when none could be allocated).
int APP_KelmoraDataReader::storeHistory(char historySide, const QByteArray& bytes,
                                        KelmoraFillingData** built, bool* formatNo)
{
    // Counts are 16 bits wide: a side holds at most 65535 records.
    const int capacity = qMin(countLineEnds(bytes), int(maxSideRecords));
    // Zeroed so that the chart's drawing cache starts defined.
    auto* records = static_cast<KelmoraFillingData*>(
        std::calloc(size_t(qMax(capacity, 1)), sizeof(KelmoraFillingData)));
    *built = records;
    if (!records) {
        setSideCount(historySide, 0);
        return 0;
    }
    // Lines that name no layout keep the one the unit used last.
    bool lineFormatNo = recordFormatNo;
    bool formatDecided = false;
    const int produced = parseHistoryLines(bytes, records, capacity, &lineFormatNo, &formatDecided);
    if (formatDecided)
        recordFormatNo = lineFormatNo;
    *formatNo = lineFormatNo;
    qCDebug(readerLog) << "FLAG:" << unit.flags << " COUNTYCODE:" << unit.countryCode;
    installSideRecords(historySide, records, quint16(produced));
    return produced;
}

// One request for the newest asked records of the side.
HistoryFetch APP_KelmoraDataReader::fetchHistory(char historySide, qint32 asked, bool showProgress)
{
    HistoryReception reception(
        unitLine,
        [this](char progressSide, int bytes, int lines, int requested) {
            emit historyProgress(progressSide, bytes, lines, requested);
        },
        [this] { emit append(QStringLiteral(".")); });
    return reception.fetch(historySide, asked, showProgress);
}

SideDownload APP_KelmoraDataReader::downloadHistory(char historySide, qint32 count,
                                                   bool emitResult,
                                                   const ArchivedHistory& archived)
{
    SideDownload result;
    result.side = historySide;
    result.requested = count;
    const bool knownSide = sideRecordsVariable(historySide) != nullptr;
    quint16* countVariable = sideCountVariable(historySide);
    // The unit is asked for 1..65535 records: more would not fit a side, and
    // the receive limit grows with the count.
    if (!knownSide || count < 1 || count > int(maxSideRecords)) {
        if (emitResult)
            emit dataReady(nullptr, nullptr, DataFailed);
        return result;
    }
    if (!unitLine.current()) {
        result.outcome = SideOutcome::Interrupted;  // the line is gone already
        result.cause = InterruptCause::LineLost;
        if (emitResult) {
            emit historyDownloaded(historySide == 'A' ? result : sideNotAsked('A'),
                                   historySide == 'B' ? result : sideNotAsked('B'));
            emit dataReady(nullptr, countVariable, DataFailed);
        }
        return result;
    }
    emit display(text(UiText::dispenserSide) + QLatin1Char(' ') + QLatin1Char(historySide) + QLatin1String(":\r\n"));
    emit append(QStringLiteral(" "));

    std::optional<HistoryFetch> fetch;
    if (!archived.lines.isEmpty())
        fetch = fetchNewRecords(historySide, count, archived, &result);
    if (!fetch)
        fetch = fetchHistory(historySide, count);
    result.outcome = fetch->outcome;
    result.cause = fetch->cause;
    result.overrunBytes = fetch->overrunBytes;
    result.unreadLines = fetch->unreadLines;
    result.historyLines = fetch->lines;
    result.gaps = numberGaps(fetch->lines);
    if (fetch->freshRecords >= 0)
        result.newRecordsExpected = fetch->freshExpected;
    reportIrregularities(result);

    // What arrived is kept, however the side ended; a side that brought no
    // record keeps its previous records unless the unit said it has none.
    KelmoraFillingData* built = nullptr;
    const bool replace = result.outcome == SideOutcome::Complete || !fetch->lines.isEmpty();
    if (replace) {
        selectCurrentSide(historySide);
        result.received = storeHistory(historySide, fetch->bytes, &built, &result.recordFormatNo);
        result.recordsReplaced = true;
        if (fetch->freshRecords >= 0)
            result.fromArchive = qMax(0, result.received - fetch->freshRecords);
    }
    if (!emitResult)
        return result;
    emit historyDownloaded(historySide == 'A' ? result : sideNotAsked('A'),
                           historySide == 'B' ? result : sideNotAsked('B'));
    quint8 status = DataFailed;
    if (built)
        status = result.outcome == SideOutcome::Complete ? DataDelivered : DataIncomplete;
    emit dataReady(built, countVariable, status);
    return result;
}

// Neither side announces itself; one signal after both says "look at both".
// A side that failed does not keep the other from being read, unless the
// line itself has gone.
void APP_KelmoraDataReader::downloadBothSides(qint32 count, const ArchivedHistory& archivedA,
                                              const ArchivedHistory& archivedB)
{
    const SideDownload a = downloadHistory('A', count, false, archivedA);
    SideDownload b;
    b.side = 'B';
    b.requested = count;
    b.outcome = SideOutcome::Interrupted;
    b.cause = InterruptCause::LineLost;
    if (unitLine.current())
        b = downloadHistory('B', count, false, archivedB);
    emit historyDownloaded(a, b);
    const bool complete =
        a.outcome == SideOutcome::Complete && b.outcome == SideOutcome::Complete;
    const bool anyRecords = a.received > 0 || b.received > 0
                            || a.outcome == SideOutcome::Complete
                            || b.outcome == SideOutcome::Complete;
    emit dataReady(nullptr, nullptr,
                   complete ? DataDelivered : (anyRecords ? DataIncomplete : DataFailed));
}

void APP_KelmoraDataReader::reportIrregularities(const SideDownload& download)
{
    QStringList said;
    if (download.outcome == SideOutcome::Interrupted && download.cause != InterruptCause::LineLost)
        said.append(sideEndingText(download));
    said.append(sideNotes(download));
    if (said.isEmpty())
        return;
    emit display(text(download.side == 'A' ? UiText::sideA : UiText::sideB) + QStringLiteral(": ") + said.join(QStringLiteral("; ")));
}

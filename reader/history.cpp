// The history download of one side: one request, then the unit's lines are
// drained from the port's receive ring until the line falls silent, and
// every history line becomes a record of the side.
#include "reader/app_kelmoradatareader.h"

#include "comm/com_serialport.h"
#include "model/historyoverlap.h"
#include "model/historyparser.h"
#include "reader/sidedownloadtext.h"
#include "reader/readerprotocol.h"
#include "frame/texttable.h"
#include "frame/uitexts.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdlib>

namespace {

constexpr int historyPollMs = 20;
constexpr int historyIdlePolls = 25;  // about half a second of silence ends it
constexpr int bytesPerRequestedRecord = 128;
constexpr qint64 progressIntervalMs = 100;

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

} // namespace

struct APP_KelmoraDataReader::Reception {
    QByteArray bytes;         // what the unit sent, at most limit bytes
    int limit = 0;
    int historyLines = 0;     // complete lines that start with a side tag
    int lineStart = 0;        // where the line being received begins
    QList<QByteArray> lines;  // those lines as received, without their line end
    bool limitReached = false;
    quint64 taken = 0;        // bytes taken from the ring since the request
    quint64 overrunBytes = 0; // bytes the ring wrote over before they were taken
    bool reportsProgress = true;  // false for the one-record probe
    QElapsedTimer sinceProgress;
};

namespace {

// Appends ring bytes to the reception up to its limit and keeps the history
// lines completed by them. Returns false once the limit is reached.
bool takeBytes(const QByteArray& chunk, QByteArray* bytes, int limit, int* lineStart,
               QList<QByteArray>* lines)
{
    for (const char byte : chunk) {
        if (bytes->size() >= limit)
            return false;
        bytes->append(byte);
        if (byte != '\r')
            continue;
        int start = *lineStart;
        while (start < bytes->size() && (bytes->at(start) == '\r' || bytes->at(start) == '\n'))
            ++start;
        const int length = int(bytes->size()) - 1 - start;
        if (isHistoryLine(bytes->constData() + start, length))
            lines->append(bytes->mid(start, length));
        *lineStart = int(bytes->size());
    }
    return bytes->size() < limit;
}

SideDownload sideNotAsked(char side)
{
    SideDownload download;
    download.side = side;
    return download;
}

// True when bytes after the last line end hold more than line-end
// characters: the stream stopped inside a line.
bool endsInsideALine(const QByteArray& bytes, int lineStart)
{
    for (int i = lineStart; i < bytes.size(); ++i) {
        if (bytes.at(i) != '\r' && bytes.at(i) != '\n')
            return true;
    }
    return false;
}

} // namespace

void APP_KelmoraDataReader::reportProgress(char historySide, const Reception& reception,
                                           qint32 count)
{
    if (reception.reportsProgress)
        emit historyProgress(historySide, int(reception.bytes.size()), reception.historyLines, count);
}

// Polls the ring every 20 ms and copies what is new; ends after 25 polls
// without a byte, when the buffer of count x 128 bytes is full, or at once
// when the operation's connection has gone. Bytes the ring wrote over before
// they were taken end the reception at the last whole line before the hole:
// what follows it cannot be joined to what came before. The rest of the
// reply is still drained, so that it cannot land in the next request's.
void APP_KelmoraDataReader::receiveHistory(char historySide, qint32 count, Reception* reception)
{
    int idlePolls = 0;
    quint64 drained = 0;
    reception->sinceProgress.start();
    bool room = true;
    const auto take = [&](const QByteArray& chunk) {
        room = takeBytes(chunk, &reception->bytes, reception->limit, &reception->lineStart,
                         &reception->lines);
        reception->historyLines = int(reception->lines.size());
    };
    const auto takeFromRing = [&]() {
        const COM_SerialPort::RxTake got = port->takeRxBytes(reception->taken);
        reception->taken += got.lost + quint64(got.bytes.size());
        if (got.lost > 0 && reception->overrunBytes == 0)
            reception->bytes.truncate(reception->lineStart);  // the cut line goes
        reception->overrunBytes += got.lost;
        if (reception->overrunBytes > 0)
            drained += quint64(got.bytes.size());
        else if (!got.bytes.isEmpty())
            take(got.bytes);
        return !got.bytes.isEmpty() || got.lost > 0;
    };
    const quint64 drainLimit = quint64(reception->limit);
    while (idlePolls < historyIdlePolls && room && drained <= drainLimit && lineCurrent()) {
        if (takeFromRing()) {
            emit append(QStringLiteral("."));
            idlePolls = 0;
        } else {
            ++idlePolls;
        }
        if (reception->sinceProgress.elapsed() >= progressIntervalMs) {
            reportProgress(historySide, *reception, count);
            reception->sinceProgress.restart();
        }
        if (room)
            QThread::msleep(historyPollMs);
    }
    // A line that went right after its last bytes came in leaves them in the
    // ring: they are this side's, unless a newer connection has reset the
    // ring meanwhile (checked again after the copy).
    if (room && !lineCurrent()) {
        const quint64 now = port->generation();
        if (!port->isOpen() && (now == lineGeneration || now == lineGeneration + 1)) {
            const COM_SerialPort::RxTake got = port->takeRxBytes(reception->taken);
            if (!port->isOpen() && port->generation() == now) {
                if (got.lost > 0 && reception->overrunBytes == 0)
                    reception->bytes.truncate(reception->lineStart);
                reception->overrunBytes += got.lost;
                if (reception->overrunBytes == 0 && !got.bytes.isEmpty())
                    take(got.bytes);
            }
        }
    }
    reception->limitReached = !room;
    reportProgress(historySide, *reception, count);
}

// Complete: the unit went quiet after whole lines (or filled what was asked
// for). Interrupted: the line went, the PC fell behind the unit, or the
// stream stopped inside a line. NoAnswer: nothing came back at all on a
// line that stayed up.
SideOutcome APP_KelmoraDataReader::outcomeOf(const Reception& reception, bool lineLost,
                                             InterruptCause* cause)
{
    *cause = InterruptCause::None;
    if (lineLost)
        *cause = InterruptCause::LineLost;
    else if (reception.overrunBytes > 0)
        *cause = InterruptCause::Overrun;
    else if (reception.bytes.isEmpty())
        return SideOutcome::NoAnswer;
    else if (!reception.limitReached && endsInsideALine(reception.bytes, reception.lineStart))
        *cause = InterruptCause::CutInsideLine;
    return *cause == InterruptCause::None ? SideOutcome::Complete : SideOutcome::Interrupted;
}

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

// One request for the newest asked records of the side: the command out,
// the reply in until the line falls silent or asked x 128 bytes have come.
APP_KelmoraDataReader::HistoryFetch APP_KelmoraDataReader::fetchHistory(char historySide,
                                                                        qint32 asked,
                                                                        bool showProgress)
{
    HistoryFetch fetch;
    const QByteArray request =
        "GET." + QByteArray(1, historySide) + ".HIS" + QByteArray::number(asked) + "\r\n";
    if (!port || !port->resetRxCount(lineGeneration, true) || !queueCommand(request)) {
        fetch.cause = InterruptCause::LineLost;
        return fetch;  // the line is gone: interrupted, nothing arrived
    }
    Reception reception;
    reception.reportsProgress = showProgress;
    reception.limit = asked * bytesPerRequestedRecord;
    reception.bytes.reserve(reception.limit);
    receiveHistory(historySide, asked, &reception);
    fetch.outcome = outcomeOf(reception, !lineCurrent(), &fetch.cause);
    fetch.bytes = reception.bytes;
    fetch.lines = reception.lines;
    fetch.overrunBytes = reception.overrunBytes;
    // Lines without a side tag (headers, echoes) are no history; tagged ones
    // that make no record are counted.
    fetch.unreadLines = unreadHistoryLines(reception.lines);
    return fetch;
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
    if (!lineCurrent()) {
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
    if (lineCurrent())
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

// The reply to one request for history lines: drained from the port's
// receive ring until the line falls silent, with the side's history lines
// kept as they came and what cut the reply short.
#include "reader/historyreception.h"

#include "comm/com_serialport.h"
#include "model/historyoverlap.h"
#include "model/historyparser.h"

#include <QElapsedTimer>
#include <QThread>

namespace {

constexpr int historyPollMs = 20;
constexpr int historyIdlePolls = 25;  // about half a second of silence ends it
constexpr int bytesPerRequestedRecord = 128;
constexpr qint64 progressIntervalMs = 100;

} // namespace

struct HistoryReception::Reception {
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

HistoryReception::HistoryReception(ReaderLine& unitLine, Progress progressShown,
                                   std::function<void()> bytesArrived)
    : line(unitLine)
    , progress(std::move(progressShown))
    , arrived(std::move(bytesArrived))
{
}

COM_SerialPort* HistoryReception::port() const
{
    return line.serialPort();
}

void HistoryReception::reportProgress(char historySide, const Reception& reception, qint32 count)
{
    if (reception.reportsProgress)
        progress(historySide, int(reception.bytes.size()), reception.historyLines, count);
}

// Polls the ring every 20 ms and copies what is new; ends after 25 polls
// without a byte, when the buffer of count x 128 bytes is full, or at once
// when the operation's connection has gone. Bytes the ring wrote over before
// they were taken end the reception at the last whole line before the hole:
// what follows it cannot be joined to what came before. The rest of the
// reply is still drained, so that it cannot land in the next request's.
void HistoryReception::receive(char historySide, qint32 count, Reception* reception)
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
        const COM_SerialPort::RxTake got = port()->takeRxBytes(reception->taken);
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
    while (idlePolls < historyIdlePolls && room && drained <= drainLimit && line.current()) {
        if (takeFromRing()) {
            if (arrived)
                arrived();
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
    if (room && !line.current()) {
        const quint64 now = port()->generation();
        if (!port()->isOpen() && (now == line.generation() || now == line.generation() + 1)) {
            const COM_SerialPort::RxTake got = port()->takeRxBytes(reception->taken);
            if (!port()->isOpen() && port()->generation() == now) {
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
SideOutcome HistoryReception::outcomeOf(const Reception& reception, bool lineLost,
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

// One request for the newest asked records of the side: the command out,
// the reply in until the line falls silent or asked x 128 bytes have come.
HistoryFetch HistoryReception::fetch(char historySide, qint32 asked, bool showProgress)
{
    HistoryFetch fetch;
    const QByteArray request =
        "GET." + QByteArray(1, historySide) + ".HIS" + QByteArray::number(asked) + "\r\n";
    if (!line.serialPort() || !line.resetReception(true) || !line.queueCommand(request)) {
        fetch.cause = InterruptCause::LineLost;
        return fetch;  // the line is gone: interrupted, nothing arrived
    }
    Reception reception;
    reception.reportsProgress = showProgress;
    reception.limit = asked * bytesPerRequestedRecord;
    reception.bytes.reserve(reception.limit);
    receive(historySide, asked, &reception);
    fetch.outcome = outcomeOf(reception, !line.current(), &fetch.cause);
    fetch.bytes = reception.bytes;
    fetch.lines = reception.lines;
    fetch.overrunBytes = reception.overrunBytes;
    // Lines without a side tag (headers, echoes) are no history; tagged ones
    // that make no record are counted.
    fetch.unreadLines = unreadHistoryLines(reception.lines);
    return fetch;
}


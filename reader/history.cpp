// The history download of one side: one request, then the unit's lines are
// drained from the port's receive ring until the line falls silent, and
// every history line becomes a record of the side.
#include "reader/app_kelmoradatareader.h"

#include "comm/com_serialport.h"
#include "reader/historycapture.h"
#include "reader/historyparser.h"
#include "reader/readerprotocol.h"
#include "frame/texttable.h"

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
    QElapsedTimer sinceProgress;
};

namespace {

// Appends ring bytes to the reception up to its limit and counts the history
// lines completed by them. Returns false once the limit is reached.
bool takeBytes(const QByteArray& chunk, QByteArray* bytes, int limit, int* lineStart,
               int* historyLines)
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
        if (isHistoryLine(bytes->constData() + start, bytes->size() - 1 - start))
            ++*historyLines;
        *lineStart = bytes->size();
    }
    return bytes->size() < limit;
}

} // namespace

void APP_KelmoraDataReader::reportProgress(char historySide, const Reception& reception,
                                           qint32 count)
{
    emit historyProgress(historySide, int(reception.bytes.size()), reception.historyLines, count);
}

// Polls the ring every 20 ms and copies what is new; ends after 25 polls
// without a byte or when the buffer of count x 128 bytes is full.
bool APP_KelmoraDataReader::receiveHistory(char historySide, qint32 count, Reception* reception)
{
    int readPosition = 0;
    int idlePolls = 0;
    reception->sinceProgress.start();
    bool room = true;
    while (idlePolls < historyIdlePolls && room) {
        int writePosition = port->rxCount();
        if (writePosition >= COM_SerialPort::rxBufferSize)
            writePosition = 0;
        if (writePosition == readPosition) {
            ++idlePolls;
        } else {
            emit append(QStringLiteral("."));
            if (writePosition < readPosition) {
                room = takeBytes(port->rxBytes(readPosition, COM_SerialPort::rxBufferSize),
                                 &reception->bytes, reception->limit, &reception->lineStart,
                                 &reception->historyLines);
                readPosition = 0;
            }
            if (room)
                room = takeBytes(port->rxBytes(readPosition, writePosition), &reception->bytes,
                                 reception->limit, &reception->lineStart,
                                 &reception->historyLines);
            readPosition = writePosition;
            idlePolls = 0;
        }
        if (reception->sinceProgress.elapsed() >= progressIntervalMs) {
            reportProgress(historySide, *reception, count);
            reception->sinceProgress.restart();
        }
        if (room)
            QThread::msleep(historyPollMs);
    }
    reportProgress(historySide, *reception, count);
    return !reception->bytes.isEmpty();
}

// Builds the side's new array completely, then hands it to the storage in one
// step with its count. Returns the number of records; *built is the array
// handed over (null when none could be allocated).
int APP_KelmoraDataReader::storeHistory(char historySide, const QByteArray& bytes,
                                        KelmoraFillingData** built)
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
    bool formatNo = recordFormatNo;
    bool formatDecided = false;
    const int produced = parseHistoryLines(bytes, records, capacity, &formatNo, &formatDecided);
    if (formatDecided)
        recordFormatNo = formatNo;
    qCDebug(readerLog) << "FLAG:" << flags << " COUNTYCODE:" << countryCode;
    installSideRecords(historySide, records, quint16(produced));
    return produced;
}

void APP_KelmoraDataReader::downloadHistory(char historySide, qint32 count, bool emitResult)
{
    const bool knownSide = sideRecordsVariable(historySide) != nullptr;
    quint16* countVariable = sideCountVariable(historySide);
    // The unit is asked for 1..65535 records: more would not fit a side, and
    // the receive limit grows with the count.
    if (!port || !port->isOpen() || count < 1 || count > int(maxSideRecords)) {
        if (emitResult)
            emit dataReady(nullptr, nullptr, 0);
        return;
    }
    port->resetRxCount();
    emit display(text(125) + QLatin1Char(' ') + QLatin1Char(historySide) + QLatin1String(":\r\n"));
    port->queueWrite("GET." + QByteArray(1, historySide) + ".HIS" + QByteArray::number(count)
                     + "\r\n");
    emit append(QStringLiteral(" "));

    Reception reception;
    reception.limit = count * bytesPerRequestedRecord;
    reception.bytes.reserve(reception.limit);
    const bool received = receiveHistory(historySide, count, &reception);

    if (!knownSide) {
        if (emitResult)
            emit dataReady(nullptr, nullptr, 0);
        return;
    }
    // Download archive: the raw lines of the side, whatever became of them.
    emit sideDownloaded(captureSideDownload(historySide, count, reception.bytes, port->isOpen(),
                                            reception.bytes.size() >= reception.limit));

    selectCurrentSide(historySide);
    quint8 success = 0;
    KelmoraFillingData* built = nullptr;
    if (!received) {
        setSideCount(historySide, 0);  // the previous array stays, its count 0
    } else {
        storeHistory(historySide, reception.bytes, &built);
        success = built ? 1 : 0;
    }
    if (emitResult)
        emit dataReady(built, countVariable, success);
}

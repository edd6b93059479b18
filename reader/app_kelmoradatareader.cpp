#include "reader/app_kelmoradatareader.h"

#include "comm/com_serialport.h"
#include "reader/readerprotocol.h"

#include <QElapsedTimer>

namespace {

// Silence that counts as a quiet line before the first query, the poll of
// the wait, and the longest wait.
constexpr qint64 quietLineMs = 300;
constexpr int quietLinePollMs = 10;
constexpr qint64 quietLineBoundMs = 15000;

} // namespace

APP_KelmoraDataReader* readerInstance = nullptr;

APP_KelmoraDataReader::APP_KelmoraDataReader(QObject* parent)
    : QThread(parent)
{
    qRegisterMetaType<KelmoraFillingData*>();
    qRegisterMetaType<quint16*>();
    qRegisterMetaType<SideDownload>();
    qRegisterMetaType<UnitIdentity>();
    unitLine.replySeen = [this](const QString& reply) { emit display(reply); };
    readerInstance = this;
}

APP_KelmoraDataReader::~APP_KelmoraDataReader()
{
    // Whoever deletes the reader has waited for its thread; this orders the
    // end of the last run before the members go, as startOperation does.
    (void)runActive.load(std::memory_order_acquire);
    if (readerInstance == this)
        readerInstance = nullptr;
}

void APP_KelmoraDataReader::setPort(COM_SerialPort* serialPort)
{
    port = serialPort;
    unitLine.setPort(serialPort);
}

void APP_KelmoraDataReader::connectUnit()
{
    storedRequest.operation = OperationConnect;
    storedRequest.emitWhenDone = true;
    startOperation();
}

void APP_KelmoraDataReader::readHistory(char historySide, int count, const ArchivedHistory& archived)
{
    storedRequest.operation = OperationReadHistory;
    storedRequest.side = historySide;
    storedRequest.recordCount = count;
    storedRequest.archived[0] = historySide == 'A' ? archived : ArchivedHistory();
    storedRequest.archived[1] = historySide == 'B' ? archived : ArchivedHistory();
    storedRequest.emitWhenDone = true;
    startOperation();
}

void APP_KelmoraDataReader::readHistoryBoth(int count, const ArchivedHistory& archivedA,
                                            const ArchivedHistory& archivedB)
{
    storedRequest.operation = OperationReadHistoryBoth;
    storedRequest.side = 'A';
    storedRequest.recordCount = count;
    storedRequest.archived[0] = archivedA;
    storedRequest.archived[1] = archivedB;
    storedRequest.emitWhenDone = false;
    startOperation();
}

void APP_KelmoraDataReader::resetOperationMode()
{
    storedRequest.operation = OperationResetMode;
    storedRequest.emitWhenDone = true;
    startOperation();
}

void APP_KelmoraDataReader::setPulseInput(int value)
{
    storedRequest.operation = OperationSetPulseInput;
    storedRequest.operationValue = value;
    storedRequest.emitWhenDone = true;
    startOperation();
}

void APP_KelmoraDataReader::setUnitTime(const QDateTime& time)
{
    storedRequest.operation = OperationSetTime;
    // Kept as the unsigned seconds of the older time API, so that dates past
    // 2038 still travel in the 32-bit member.
    storedRequest.operationValue = qint32(quint32(time.toSecsSinceEpoch()));
    storedRequest.emitWhenDone = true;
    startOperation();
}

// The run works on a copy of the parameters taken here, before the thread
// starts: a request made while it runs stores its parameters but cannot
// change the operation under way.
void APP_KelmoraDataReader::startOperation()
{
    if (isRunning())
        return;
    // isRunning() learns of the end of the previous run through Qt's own
    // mutex, which the thread sanitizer cannot see; the run's last store to
    // runActive orders its work before what follows here in a way it can.
    (void)runActive.load(std::memory_order_acquire);
    activeRequest = storedRequest;
    activeRequest.lineGeneration = port ? port->generation() : 0;
    // Taken by this request only: a later request brings its own.
    storedRequest.archived[0] = ArchivedHistory();
    storedRequest.archived[1] = ArchivedHistory();
    runActive.store(true);
    start(QThread::InheritPriority);
}

void APP_KelmoraDataReader::run()
{
    const ReaderRequest request = activeRequest;
    unitLine.follow(request.lineGeneration);
    switch (request.operation) {
    case OperationConnect:
        connectAndIdentify();
        break;
    case OperationReadHistory:
        downloadHistory(request.side, request.recordCount, request.emitWhenDone,
                        request.archived[request.side == 'B' ? 1 : 0]);
        break;
    case OperationReadHistoryBoth:
        downloadBothSides(request.recordCount, request.archived[0], request.archived[1]);
        break;
    case OperationResetMode:
        resetModeOperation();
        break;
    case OperationSetPulseInput:
        setPulseInputOperation(request.operationValue);
        break;
    case OperationSetTime:
        setTimeOperation(quint32(request.operationValue));
        break;
    default:
        break;
    }
    runActive.store(false, std::memory_order_release);
}

UnitIdentity APP_KelmoraDataReader::identity() const
{
    QMutexLocker locked(&identityLock);
    return publishedUnit;
}

void APP_KelmoraDataReader::publishIdentity()
{
    QMutexLocker locked(&identityLock);
    publishedUnit = unit;
}

// A connect that fails keeps what it has read so far, as a connect always
// did; only a successful one names the unit on the line.
void APP_KelmoraDataReader::finishConnect(bool success)
{
    publishIdentity();
    if (success)
        emit unitIdentified(unit);
    emit connectionReady(success);
}

// A unit keeps sending what an earlier connection asked for (a history is
// minutes long) after that connection has gone. Its lines would be taken for
// the replies of the identification, so the first query waits until the
// line has been quiet for a moment, or gives up waiting after a bound.
void APP_KelmoraDataReader::waitForQuietLine()
{
    if (!unitLine.resetReception())
        return;
    QElapsedTimer total;
    total.start();
    QElapsedTimer quiet;
    quiet.start();
    int seen = 0;
    while (quiet.elapsed() < quietLineMs && total.elapsed() < quietLineBoundMs && unitLine.current()) {
        QThread::msleep(quietLinePollMs);
        const int received = port->rxCount();
        if (received != seen) {
            seen = received;
            quiet.restart();
        }
    }
}

void APP_KelmoraDataReader::connectAndIdentify()
{
    waitForQuietLine();
    if (queries.hardwareVersionFailed()) {
        // Some units answer only with even parity: reconnect once with it.
        if (!port) {
            finishConnect(false);
            return;
        }
        // Only a line that is still the one this connect was asked on is
        // reopened: after a Disconnect or a lost line nothing is reopened.
        if (!unitLine.current()) {
            finishConnect(false);
            return;
        }
        const QString path = port->portName();
        port->closePort();
        if (!port->openPort(path, 9600, 2)) {
            finishConnect(false);
            return;
        }
        unitLine.followCurrent();
        if (queries.hardwareVersionFailed()) {
            finishConnect(false);
            return;
        }
    }
    if (queries.softwareVersionFailed() || queries.pulseInputFailed() || queries.serialNumberFailed()) {
        finishConnect(false);
        return;
    }
    const bool newFirmware = unit.softwareVersionNumber > newFirmwareThreshold;
    if (queries.statusFailed()) {
        if (newFirmware) {
            finishConnect(false);
            return;
        }
        unit.statusSideA = 0;
        unit.statusSideB = 0;
    }
    if (queries.flagsFailed()) {
        finishConnect(false);
        return;
    }
    if (queries.readRegisterFailed(101, &unit.pvnValue)) {
        qCDebug(readerLog) << "register 101 failed, software version number" << unit.softwareVersionNumber;
        if (newFirmware) {
            finishConnect(false);
            return;
        }
        unit.pvnValue = 0;
    }
    if (queries.readRegisterFailed(104, &unit.countryCode))
        unit.countryCode = -1;
    queries.pcmFailed();  // older units may not know it; its text then reads "-1"
    if (!unitLine.current()) {
        finishConnect(false);
        return;
    }
    finishConnect(true);
}

#include "comm/com_serialport.h"

#include "comm/com_line.h"
#include "comm/com_portnames.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QLoggingCategory>
#include <QElapsedTimer>

#include <algorithm>

namespace {

Q_LOGGING_CATEGORY(lcSerial, "kelmora.serial", QtInfoMsg)

// How long openPort waits for the port thread to report its open.
constexpr int openReportWaitMs = 3000;
// How long openPort waits for the loop of a previous open to end.
constexpr int previousLoopWaitMs = 3000;
// How long closePort waits for the loop to notice the stop request.
constexpr int closeWaitMs = 200;
// Each pass of the loop waits this long for incoming bytes.
constexpr int readWaitMs = 10;
// A command block must be out within this time plus the time its bytes take
// on a slow line; a longer stall counts as a failed write.
constexpr int writeWaitBaseMs = 1000;
constexpr int writeWaitPerByteMs = 2;
// Passes in a row with a read error after which the line counts as gone.
constexpr int maxReadFailures = 3;

} // namespace

COM_SerialPort::COM_SerialPort(QObject* parent) : QThread(parent)
{
    monotonic.start();
    // A block queued right after the first open goes out at once.
    lastWriteEndMs = -2 * qint64(writeInterval.load());
}

COM_SerialPort::~COM_SerialPort()
{
    closePort();
    // The loop ends within one pass plus a bounded write; waiting here keeps
    // the thread from outliving its object.
    if (!wait(writeWaitBaseMs + 2 * previousLoopWaitMs))
        qWarning() << "COM_SerialPort: port thread did not end";
    (void)loopActive.load(std::memory_order_acquire); // see openPort
}

bool COM_SerialPort::openPort(const QString& name, int baudRate, quint8 parity)
{
    std::lock_guard<std::mutex> control(controlMutex);
    if (portOpen.load())
        return false;
    // After a close the previous loop may still be finishing its last pass;
    // the new loop must not start before the old one has let go of the line.
    if (isRunning() && !wait(previousLoopWaitMs))
        return false;
    // QThread::wait orders the old loop's end before this point through Qt's
    // own mutex, which the thread sanitizer cannot see; the loop's last
    // store to loopActive says the same in a way it can.
    (void)loopActive.load(std::memory_order_acquire);

    {
        std::lock_guard<std::mutex> lock(queueMutex);
        writeQueue.clear();
        ++lineGeneration;
    }
    std::unique_lock<std::mutex> lock(stateMutex);
    path = COM_PortNames::devicePath(name);
    rate = quint32(baudRate);
    parityCode = parity;
    openState = OpenState::Pending;
    stopRequested.store(false);
    loopActive.store(true);
    start(QThread::InheritPriority);

    openReported.wait_for(lock, std::chrono::milliseconds(openReportWaitMs),
                          [this] { return openState != OpenState::Pending; });
    if (openState == OpenState::Opened)
        return true;
    // Failed, or no report in time: a late open in the thread sees the stop
    // request and closes the line again without ever reporting it open.
    stopRequested.store(true);
    openState = OpenState::Failed;
    return false;
}

bool COM_SerialPort::closePort()
{
    std::lock_guard<std::mutex> control(controlMutex);
    stopRequested.store(true);
    {
        // Nothing queued before the close goes out after it, and nothing of
        // this connection can be queued any more.
        std::lock_guard<std::mutex> lock(queueMutex);
        portOpen.store(false);
        writeQueue.clear();
        ++lineGeneration;
    }
    wait(closeWaitMs);
    return true;
}

bool COM_SerialPort::isOpen() const
{
    return portOpen.load();
}

QString COM_SerialPort::portName() const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return path;
}

quint32 COM_SerialPort::baudRate() const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return rate;
}

COM_SerialPort::WriteTicket COM_SerialPort::queueWrite(const QByteArray& block)
{
    std::lock_guard<std::mutex> lock(queueMutex);
    if (!portOpen.load())
        return noTicket;
    return writeQueue.append(block);
}

COM_SerialPort::WriteOutcome COM_SerialPort::writeOutcome(WriteTicket ticket) const
{
    std::lock_guard<std::mutex> lock(queueMutex);
    return writeQueue.outcome(ticket, portOpen.load());
}

bool COM_SerialPort::withdrawWrite(WriteTicket ticket)
{
    std::lock_guard<std::mutex> lock(queueMutex);
    return writeQueue.withdraw(ticket);
}

void COM_SerialPort::setWriteHookForTests(WriteHook hook)
{
    writeHook = std::move(hook);
}

void COM_SerialPort::setWriteObserverForTests(WriteObserver observer)
{
    writeObserver = std::move(observer);
}

COM_SerialPort::WriteTicket COM_SerialPort::queueWrite(const QByteArray& block, quint64 expectedGeneration)
{
    // Checked under the queue's lock, which close and open take to change
    // the number: a block is either queued on its own connection or dropped.
    std::lock_guard<std::mutex> lock(queueMutex);
    if (!portOpen.load() || lineGeneration.load() != expectedGeneration)
        return noTicket;
    return writeQueue.append(block);
}

quint64 COM_SerialPort::generation() const
{
    return lineGeneration.load();
}

int COM_SerialPort::rxCount() const
{
    return rxRing.count();
}

void COM_SerialPort::resetRxCount()
{
    rxRing.reset();
}

bool COM_SerialPort::resetRxCount(quint64 expectedGeneration, bool streamed)
{
    std::lock_guard<std::mutex> queueLock(queueMutex);
    if (!portOpen.load() || lineGeneration.load() != expectedGeneration)
        return false;
    rxRing.reset(streamed);
    return true;
}

QByteArray COM_SerialPort::rxBytes(int from, int to) const
{
    return rxRing.bytes(from, to);
}

quint64 COM_SerialPort::rxTotal() const
{
    return rxRing.total();
}

COM_SerialPort::RxTake COM_SerialPort::takeRxBytes(quint64 taken)
{
    return rxRing.take(taken);
}

void COM_SerialPort::reportOpen(OpenState state)
{
    std::lock_guard<std::mutex> lock(stateMutex);
    if (state == OpenState::Opened && stopRequested.load())
        state = OpenState::Failed; // openPort gave up waiting meanwhile
    if (state == OpenState::Opened)
        portOpen.store(true);
    openState = state;
    openReported.notify_all();
}

bool COM_SerialPort::openInThread(COM_Line& line)
{
    QString device;
    quint32 baud = 0;
    quint8 parity = 1;
    {
        std::lock_guard<std::mutex> lock(stateMutex);
        device = path;
        baud = rate;
        parity = parityCode;
    }
    if (!line.open(device, baud, parity)) {
        qCDebug(lcSerial) << "COM_SerialPort: cannot open" << device << line.errorString();
        reportOpen(OpenState::Failed);
        return false;
    }
    // A fresh session starts with an empty ring, before anyone is told that
    // the port is open.
    rxRing.wipe();
    reportOpen(OpenState::Opened);
    if (!portOpen.load()) {
        line.close();
        return false;
    }
    return true;
}

void COM_SerialPort::run()
{
    {
        const std::unique_ptr<COM_Line> line = COM_Line::create();
        if (openInThread(*line)) {
            serveLine(*line);
            line->close();
            portOpen.store(false);
        }
    }
    // Last: nothing of the loop touches the object after this.
    loopActive.store(false, std::memory_order_release);
}

bool COM_SerialPort::lineVanished(COM_Line& line, int& readFailures)
{
    // A device that disappears (adapter unplugged, the far end of a
    // pseudo-terminal closed) reports a resource error, or read errors pass
    // after pass (a hung-up line reads end-of-file at once). The loop then
    // ends and the port reports itself closed, so that the reader fails at
    // once instead of polling a dead line until its time-outs run out; the
    // user reconnects once the cable is back. A single read error is
    // forgiven: it may be a glitch of a working line. A quiet pass (time-out)
    // neither counts nor forgives.
    const COM_Line::Error error = line.error();
    if (error == COM_Line::Error::Read)
        ++readFailures;
    else if (error == COM_Line::Error::None)
        readFailures = 0;
    if (error == COM_Line::Error::Resource || readFailures >= maxReadFailures) {
        qCDebug(lcSerial) << "COM_SerialPort: line lost:" << line.errorString();
        quint64 lostGeneration = 0;
        bool lostByItself = false;
        {
            std::lock_guard<std::mutex> lock(queueMutex);
            // A close meanwhile was the user's: nothing to announce.
            lostByItself = portOpen.exchange(false) && !stopRequested.load();
            lostGeneration = lineGeneration.load();
            writeQueue.clear();
        }
        if (lostByItself)
            emit lineLost(lostGeneration, line.errorString());
        return true;
    }
    if (error != COM_Line::Error::None)
        line.clearError();
    return false;
}

void COM_SerialPort::serveLine(COM_Line& line)
{
    int readFailures = 0;
    while (!stopRequested.load()) {
        readAvailable(line);
        if (lineVanished(line, readFailures))
            break;
        writeDueBlock(line);
        if (line.error() == COM_Line::Error::Resource) {
            lineVanished(line, readFailures);
            break;
        }
        QThread::msleep(loopDelayMs);
    }
}

void COM_SerialPort::readAvailable(COM_Line& line)
{
    const QByteArray data = line.readAll(readWaitMs);
    if (data.isEmpty())
        return;
    if (line.error() != COM_Line::Error::Resource)
        line.clearError(); // bytes came: the line is alive
    rxRing.put(data);
}

void COM_SerialPort::writeDueBlock(COM_Line& line)
{
    // The interval runs from the end of the previous write: a write that a
    // busy machine held up must not be followed too soon by the next one,
    // or the unit may miss a command.
    const qint64 startMs = monotonic.elapsed();
    if (startMs <= lastWriteEndMs + writeInterval.load())
        return;
    COM_WriteQueue::Block block;
    {
        // Taken out before writing: whatever happens on the line, this block
        // is never written a second time.
        std::lock_guard<std::mutex> lock(queueMutex);
        if (!writeQueue.takeNext(&block))
            return;
    }
    const bool written = writeBlocking(line, block.bytes);
    lastWriteEndMs = monotonic.elapsed();
    if (writeObserver)
        writeObserver(block.bytes, startMs, lastWriteEndMs);
    if (!written)
        qCDebug(lcSerial) << "command not written whole:" << block.bytes.trimmed();
    finishWrite(block.ticket, written ? WriteOutcome::Written : WriteOutcome::Failed);
}

void COM_SerialPort::finishWrite(WriteTicket ticket, WriteOutcome outcome)
{
    std::lock_guard<std::mutex> lock(queueMutex);
    writeQueue.finish(ticket, outcome);
}

qint64 COM_SerialPort::writeToLine(COM_Line& line, const char* data, qint64 size)
{
    return writeHook ? writeHook(line, data, size) : line.write(data, size);
}

bool COM_SerialPort::writeBlocking(COM_Line& line, const QByteArray& block)
{
    if (!portOpen.load())
        return false;
    // A line that takes only part of the block gets the rest, never the
    // whole block again, until the deadline.
    QDeadlineTimer deadline(writeWaitBaseMs + writeWaitPerByteMs * qint64(block.size()));
    qint64 accepted = 0;
    while (accepted < block.size()) {
        const qint64 n = writeToLine(line, block.constData() + accepted, block.size() - accepted);
        if (n < 0)
            break;
        accepted += n;
        if (accepted < block.size()) {
            if (deadline.hasExpired())
                break;
            if (!line.waitForBytesWritten(int(std::clamp<qint64>(deadline.remainingTime(), 1, 10))))
                QThread::msleep(2); // nothing pending to wait on: do not spin
        }
    }
    while (accepted == block.size() && line.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!line.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime())))
            && line.error() != COM_Line::Error::None && line.error() != COM_Line::Error::Timeout)
            break;
    }
    if (accepted < block.size() || line.bytesToWrite() > 0) {
        // What the line has not taken yet is dropped, so it cannot arrive
        // glued to the next command.
        line.clearOutput();
        if (line.error() == COM_Line::Error::Timeout)
            line.clearError();
        return false;
    }
    return true;
}

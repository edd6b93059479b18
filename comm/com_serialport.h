// The one serial port through which the tool talks to the unit. A thread of
// its own keeps reading whatever arrives into a 2048-byte receive ring and
// writes queued command blocks, each one write interval after the previous
// one has gone out. It knows nothing of the protocol above it.
#pragma once

#include "comm/com_rxring.h"
#include "comm/com_serialport_types.h"
#include "comm/com_writequeue.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

class COM_Line;

class COM_SerialPort : public QThread
{
    Q_OBJECT

public:
    static constexpr int rxBufferSize = COM_RxRing::size;

    explicit COM_SerialPort(QObject* parent = nullptr);
    ~COM_SerialPort() override;

    // Opens the port and starts the port thread; returns once the thread has
    // reported the result. parity: 1 none, 2 even, anything else odd.
    // A name is either bare ("ttyUSB0", "COM3") or a full device path.
    bool openPort(const QString& name, int baudRate, quint8 parity);
    // Asks the thread to stop; always true.
    bool closePort();
    // False from closePort on, and also once the line has vanished (adapter
    // unplugged, far end gone): the loop then ends by itself.
    bool isOpen() const;
    QString portName() const;
    quint32 baudRate() const;

    // What became of a queued block, and the ticket that names it
    // (com_serialport_types.h).
    using WriteOutcome = COM_WriteOutcome;
    using WriteTicket = COM_WriteTicket;
    static constexpr WriteTicket noTicket = COM_noWriteTicket;

    // Appends a block to the write queue and returns its ticket; dropped
    // (noTicket) while the port is closed.
    WriteTicket queueWrite(const QByteArray& block);
    // The same, but only while the connection is still the one numbered
    // lineGeneration: a block of an operation begun on an earlier connection
    // never goes out over a later one. noTicket when the block was dropped.
    WriteTicket queueWrite(const QByteArray& block, quint64 lineGeneration);

    // Number of the current connection: changes with every open and close,
    // so whoever started work on one connection can tell that it has gone.
    quint64 generation() const;
    // The outcome of a ticket; the outcomes of the last finishedKept blocks
    // are remembered, older ones and noTicket read as Dropped.
    WriteOutcome writeOutcome(WriteTicket ticket) const;
    // Takes a block out of the queue if it has not been started yet; true if
    // it was. A caller that gives up on a reply withdraws its command before
    // it asks again, so that the old copy cannot follow the new one.
    bool withdrawWrite(WriteTicket ticket);
    static constexpr int finishedKept = COM_WriteQueue::finishedKept;

    // Seams for tests (com_serialport_types.h), both set before openPort: a
    // replacement of the line's write call (an empty hook is the normal
    // path), and an observer told of every block handed to the line.
    using WriteHook = COM_WriteHook;
    using WriteObserver = COM_WriteObserver;
    void setWriteHookForTests(WriteHook hook);
    void setWriteObserverForTests(WriteObserver observer);

    // Receive ring (com_rxring.h): the port thread appends at rxCount; the
    // reader resets the count before each command and reads below it.
    int rxCount() const;
    void resetRxCount();
    // The same, only while the connection is still lineGeneration, so that
    // an operation of an earlier connection cannot disturb a later one's
    // reception. False when nothing was reset. A streamed reception (a
    // history) is read with takeRxBytes and may lag behind by a backlog.
    bool resetRxCount(quint64 lineGeneration, bool streamed = false);
    static constexpr qsizetype defaultRxBacklogLimit = COM_RxRing::defaultBacklogLimit;
    void setRxBacklogLimitForTests(qsizetype limit) { rxRing.setBacklogLimit(limit); }
    // Copies ring bytes [from, to) (0 <= from <= to <= 2048).
    QByteArray rxBytes(int from, int to) const;
    using RxTake = COM_RxTake;
    RxTake takeRxBytes(quint64 taken);
    // Bytes put into the ring since the last reset (or open), wraps included.
    quint64 rxTotal() const;

    // The line's parity setting for a parity code: 1 none, 2 even, anything
    // else odd (QSerialPort::Parity; the DCB's Parity on Windows).
    static int parityForCode(quint8 code);

    int writeIntervalMs() const { return writeInterval.load(); }
    void setWriteIntervalMs(int ms) { writeInterval.store(ms); }

Q_SIGNALS:
    // The line of connection lineGeneration has gone by itself (adapter
    // unplugged, read or write errors); not raised by closePort. Raised on
    // the port thread.
    void lineLost(quint64 lineGeneration, QString reason);

protected:
    void run() override;

private:
    enum class OpenState { Idle, Pending, Opened, Failed };

    bool openInThread(COM_Line& line);
    void serveLine(COM_Line& line);
    void readAvailable(COM_Line& line);
    void writeDueBlock(COM_Line& line);
    bool writeBlocking(COM_Line& line, const QByteArray& block);
    qint64 writeToLine(COM_Line& line, const char* data, qint64 size);
    void finishWrite(WriteTicket ticket, WriteOutcome outcome);
    bool lineVanished(COM_Line& line, int& readFailures);
    void reportOpen(OpenState state);

    COM_RxRing rxRing;
    // Standard rather than Qt primitives throughout: the thread sanitizer
    // sees through std::mutex and std::condition_variable, not through
    // QMutex's futex or QWaitCondition, which live in the uninstrumented Qt.
    QString path;                          // guarded by stateMutex
    quint32 rate = 0;                      // guarded by stateMutex
    quint8 parityCode = 1;                 // guarded by stateMutex
    OpenState openState = OpenState::Idle; // guarded by stateMutex
    mutable std::mutex stateMutex;
    std::condition_variable openReported;  // with stateMutex
    std::atomic<bool> portOpen{false};
    std::atomic<quint64> lineGeneration{0}; // changed under queueMutex
    std::atomic<bool> stopRequested{false};
    std::atomic<bool> loopActive{false};   // from start() to the loop's very end
    std::atomic<int> writeInterval{250};
    int loopDelayMs = 5;
    // End of the last write on the monotonic clock below, kept across
    // connections: the unit cannot tell a reopened port from a busy one.
    qint64 lastWriteEndMs = 0;             // port thread only
    QElapsedTimer monotonic;               // started at construction
    COM_WriteQueue writeQueue;             // guarded by queueMutex
    mutable std::mutex queueMutex;
    WriteHook writeHook;                   // set before the loop starts
    WriteObserver writeObserver;           // set before the loop starts
    std::mutex controlMutex;               // one open or close at a time
};

// The one serial port through which the tool talks to the unit. A thread of
// its own keeps reading whatever arrives into a 2048-byte receive ring and
// writes queued command blocks, each one write interval after the previous
// one has gone out. It knows nothing of the protocol above it.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class COM_Line;

class COM_SerialPort : public QThread
{
    Q_OBJECT

public:
    static constexpr int rxBufferSize = 2048;

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

    // What became of a queued block. Each block goes out once and whole, or
    // not at all: a write that fails, stalls or stops half-way is not tried
    // again (a second copy, or the whole block after a fragment, would reach
    // the unit as a garbled command), so the caller learns it here and fails
    // its transaction instead of waiting for a reply that cannot come.
    enum class WriteOutcome {
        Queued,   // waiting or being written
        Written,  // every byte handed to the line
        Failed,   // not written whole; maybe a fragment reached the line
        Dropped,  // never written: the port was closed or the block withdrawn
    };
    using WriteTicket = quint64;
    static constexpr WriteTicket noTicket = 0;

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
    static constexpr int finishedKept = 64;

    // Replaces the line's write call, to play partial, failed or stalled
    // writes in tests. Returns the number of bytes accepted, or -1. Set it
    // before openPort; an empty hook is the normal path.
    using WriteHook = std::function<qint64(COM_Line& line, const char* data, qint64 size)>;
    void setWriteHookForTests(WriteHook hook);
    // Told of every block handed to the line, on the port thread, with the
    // port's own monotonic times (ms) of the write's start and end; the
    // next block starts more than writeIntervalMs after that end. Set it
    // before openPort.
    using WriteObserver = std::function<void(const QByteArray& block, qint64 startMs, qint64 endMs)>;
    void setWriteObserverForTests(WriteObserver observer);

    // Receive ring. The port thread appends at rxCount and wraps to 0 when
    // 2048 is reached; the reader resets the count before each command and
    // reads the bytes below it.
    int rxCount() const;
    void resetRxCount();
    // The same, only while the connection is still lineGeneration, so that
    // an operation of an earlier connection cannot disturb a later one's
    // reception. False when nothing was reset.
    // A streamed reception (a history) is read with takeRxBytes: bytes that
    // come faster than it takes them wait in a backlog of up to
    // rxBacklogLimit bytes instead of wrapping over unread ones; only what
    // exceeds the backlog is written over, and takeRxBytes reports it lost.
    bool resetRxCount(quint64 lineGeneration, bool streamed = false);
    static constexpr qsizetype defaultRxBacklogLimit = qsizetype(1) << 20;
    void setRxBacklogLimitForTests(qsizetype limit) { rxBacklogLimit.store(limit); }
    // Copies ring bytes [from, to) (0 <= from <= to <= 2048).
    QByteArray rxBytes(int from, int to) const;
    // What a reader that drains the ring as a stream gets: the bytes put in
    // after the first `taken` since the last reset, in order across the
    // wrap, and how many of them the ring has already written over (the
    // reader was too slow). Once lost > 0 the stream has a hole: bytes is
    // what the ring still holds after it, and taken + lost + bytes.size()
    // is the new position.
    struct RxTake
    {
        QByteArray bytes;
        quint64 lost = 0;
    };
    RxTake takeRxBytes(quint64 taken);
    // Bytes put into the ring since the last reset (or open), wraps included.
    quint64 rxTotal() const;

    // Full device path for a port name as the platform wants it.
    static QString devicePath(const QString& name);
    // The same by the rules of either platform, so both can be tested
    // anywhere: Windows puts the device namespace prefix "\\.\" in front
    // once (COM3 and \\.\COM3 name the same device; COM10 and above can
    // only be opened with it), Unix puts "/dev/" in front of a bare name.
    static QString devicePathFor(const QString& name, bool windows);
    // Serial ports of the machine in natural ascending order, busy ones
    // included, then the simulated units that are running. On Windows the
    // ports COM1 to COM255 that exist, busy ones included.
    static QStringList scanPorts();
    // What the system calls a port ("USB Serial Port (COM4)"), by port name,
    // where it has a name for it (Windows); empty elsewhere.
    static QHash<QString, QString> portDescriptions();
    // Order of the port list: text compared character by character, runs of
    // digits compared by their value, so "ttyS2" comes before "ttyS10".
    static bool naturalLess(const QString& a, const QString& b);
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
    // With rxMutex held.
    void putIntoRing(const char* bytes, qsizetype count);
    void moveBacklogIntoRing();
    void clearReception();
    void writeDueBlock(COM_Line& line);
    bool writeBlocking(COM_Line& line, const QByteArray& block);
    qint64 writeToLine(COM_Line& line, const char* data, qint64 size);
    void finishWrite(WriteTicket ticket, WriteOutcome outcome);
    bool lineVanished(COM_Line& line, int& readFailures);
    void reportOpen(OpenState state);

    char rxBuffer[rxBufferSize];
    // Standard rather than Qt primitives throughout: the thread sanitizer
    // sees through std::mutex and std::condition_variable, not through
    // QMutex's futex or QWaitCondition, which live in the uninstrumented Qt.
    int rxFill = 0;                        // guarded by rxMutex
    quint64 rxPutIn = 0;                   // guarded by rxMutex; since the last reset
    bool rxStreamed = false;               // guarded by rxMutex
    quint64 rxStreamTaken = 0;             // guarded by rxMutex; what the stream's reader has
    QByteArray rxBacklog;                  // guarded by rxMutex
    std::atomic<qsizetype> rxBacklogLimit{defaultRxBacklogLimit};
    mutable std::mutex rxMutex;
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
    struct QueuedBlock
    {
        WriteTicket ticket;
        QByteArray bytes;
    };
    QList<QueuedBlock> writeQueue;         // guarded by queueMutex
    WriteTicket lastTicket = noTicket;     // guarded by queueMutex
    WriteTicket writingTicket = noTicket;  // guarded by queueMutex
    // Newest last, at most finishedKept entries.
    std::deque<std::pair<WriteTicket, WriteOutcome>> finishedWrites; // guarded by queueMutex
    mutable std::mutex queueMutex;
    WriteHook writeHook;                   // set before the loop starts
    WriteObserver writeObserver;           // set before the loop starts
    std::mutex controlMutex;               // one open or close at a time
};
